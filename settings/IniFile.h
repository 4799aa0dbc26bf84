#pragma once
// PLACEHOLDER until the real implementation lands.
#include <QString>
class IniFile {
 public:
  explicit IniFile(const QString& path) : path_(path) {}
  QString path() const { return path_; }
 private:
  QString path_;
};
