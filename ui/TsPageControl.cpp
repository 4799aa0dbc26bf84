#include "ui/TsPageControl.h"

#include <QTabBar>

TsPageControl::TsPageControl(QWidget* parent) : QTabWidget(parent) {
  // Tabs keep their captions whole; the four of the window fit side by side.
  tabBar()->setExpanding(false);
  tabBar()->setElideMode(Qt::ElideNone);
  setDocumentMode(false);
}

void TsPageControl::setSkinSection(const QString& section) {
  if (section == skinSection_) return;
  skinSection_ = section;
  tabBar()->setProperty("skinSection", section);
  update();
}
