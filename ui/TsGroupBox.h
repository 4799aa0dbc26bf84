#pragma once

#include <QGroupBox>
#include <QString>

// A group box drawn by the skin. GUI thread.
class TsGroupBox : public QGroupBox {
  Q_OBJECT
  Q_PROPERTY(QString skinSection READ skinSection WRITE setSkinSection)

 public:
  explicit TsGroupBox(QWidget* parent = nullptr);

  QString skinSection() const { return skinSection_; }
  void setSkinSection(const QString& section);

 private:
  QString skinSection_ = QStringLiteral("GROUPBOX");
};
