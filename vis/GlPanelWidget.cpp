#include "vis/GlPanelWidget.h"

#include <QEvent>
#include <QPainter>
#include <cmath>

GlPanelWidget::GlPanelWidget(QWidget* panel) : QWidget(panel) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  // Every pixel is painted here, so nothing beneath needs painting first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setGeometry(panel->rect());
  panel->installEventFilter(this);
  show();
}

GlPanelWidget::~GlPanelWidget() {
  if (parentWidget() != nullptr) parentWidget()->removeEventFilter(this);
}

void GlPanelWidget::present(VisFrame& frame) {
  // A frame like the one on the panel (black after black, or the same picture again while
  // the spectrum stands still) changes no pixel: nothing is rendered or repainted.
  const bool unchanged =
      frame.empty() ? black_ : !black_ && frame.samePrimitives(shown_) && picture_.size() == pixelSize();
  shown_.swapPrimitives(frame);
  frame.clear();
  if (unchanged) return;
  if (shown_.empty()) {
    black_ = true;
  } else {
    const auto scale = static_cast<float>(devicePixelRatioF());
    black_ = !renderer_.render(shown_, pixelSize(), scale, picture_);
    picture_.setDevicePixelRatio(devicePixelRatioF());
  }
  update();
}

QImage GlPanelWidget::grabFramebuffer() const {
  if (!black_ && picture_.size() == pixelSize()) return picture_;
  QImage black(pixelSize(), QImage::Format_RGB32);
  black.fill(Qt::black);
  black.setDevicePixelRatio(devicePixelRatioF());
  return black;
}

QSize GlPanelWidget::pixelSize() const {
  const qreal scale = devicePixelRatioF();
  return {static_cast<int>(std::lround(width() * scale)), static_cast<int>(std::lround(height() * scale))};
}

void GlPanelWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (black_ || picture_.size() != pixelSize()) painter.fillRect(rect(), Qt::black);
  if (!black_) painter.drawImage(QPoint(0, 0), picture_);
}

bool GlPanelWidget::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
  return QWidget::eventFilter(watched, event);
}
