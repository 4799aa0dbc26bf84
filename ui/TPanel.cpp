#include "ui/TPanel.h"

#include <QPainter>
#include <QStyleOption>

TPanel::TPanel(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setLineWidth(1);
  setAutoFillBackground(true);
}

void TPanel::setCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  update();
}

void TPanel::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  // A style sheet on the panel (a colour set by the form) paints the background here.
  QStyleOption option;
  option.initFrom(this);
  style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
  painter.end();
  QFrame::paintEvent(event);
  if (caption_.isEmpty()) return;
  QPainter text(this);
  text.setPen(palette().color(QPalette::WindowText));
  text.drawText(contentsRect(), Qt::AlignCenter, caption_);
}
