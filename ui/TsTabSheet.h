#pragma once

#include <QString>
#include <QWidget>

// A page of a skinned page control. GUI thread.
class TsTabSheet : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString skinSection READ skinSection WRITE setSkinSection)

 public:
  explicit TsTabSheet(QWidget* parent = nullptr);

  QString skinSection() const { return skinSection_; }
  void setSkinSection(const QString& section);

 private:
  QString skinSection_ = QStringLiteral("PAGECONTROL");
};
