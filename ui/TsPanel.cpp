#include "ui/TsPanel.h"

#include <QPainter>

#include "skin/SkinPainter.h"

TsPanel::TsPanel(QWidget* parent) : QFrame(parent) {}

void TsPanel::setSkinSection(const QString& section) {
  if (section == skinSection_) return;
  skinSection_ = section;
  update();
}

void TsPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  SkinPainter::paintPanel(painter, rect(), skinSection_);
}
