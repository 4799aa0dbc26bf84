#pragma once

#include <QString>

#include "ui/TRadioGroup.h"

// A radio group drawn by the skin. GUI thread.
class TsRadioGroup : public TRadioGroup {
  Q_OBJECT
  Q_PROPERTY(QString skinSection READ skinSection WRITE setSkinSection)

 public:
  explicit TsRadioGroup(QWidget* parent = nullptr);

  QString skinSection() const { return skinSection_; }
  void setSkinSection(const QString& section);

 private:
  QString skinSection_ = QStringLiteral("GROUPBOX");
};
