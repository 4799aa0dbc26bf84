#pragma once

// Temporary folders and small files for tests.

#include <QString>
#include <QByteArray>

// A fresh, empty folder that is removed when the object goes away.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  QString path() const { return path_; }
  QString file(const QString& name) const;
  // Writes `bytes` to `name` inside the folder and returns the full path.
  QString write(const QString& name, const QByteArray& bytes) const;
  QByteArray read(const QString& name) const;

 private:
  QString path_;
};
