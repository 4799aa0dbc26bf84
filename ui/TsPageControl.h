#pragma once

#include <QString>
#include <QTabWidget>

// A page control drawn by the skin; its pages are TsTabSheet widgets. GUI thread.
class TsPageControl : public QTabWidget {
  Q_OBJECT
  Q_PROPERTY(QString skinSection READ skinSection WRITE setSkinSection)

 public:
  explicit TsPageControl(QWidget* parent = nullptr);

  QString skinSection() const { return skinSection_; }
  void setSkinSection(const QString& section);

 private:
  QString skinSection_ = QStringLiteral("PAGECONTROL");
};
