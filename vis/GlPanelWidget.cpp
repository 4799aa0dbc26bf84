#include "vis/GlPanelWidget.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>
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
  lastFrameChangedNothing_ = unchanged;
  if (unchanged) return;
  // Where a picture follows a picture, only the pixels that differ are painted and sent to
  // the window system: a spectrum moves a few rows of the panel from one frame to the next.
  QRect changed = rect();
  if (shown_.empty()) {
    black_ = true;
  } else {
    const bool pictureShown = !black_ && picture_.size() == pixelSize();
    const auto scale = static_cast<float>(devicePixelRatioF());
    if (renderer_.render(shown_, pixelSize(), scale, next_)) {
      next_.setDevicePixelRatio(devicePixelRatioF());
      if (pictureShown) changed = layoutRect(changedPixels(picture_, next_));
      std::swap(picture_, next_);
      black_ = false;
    } else {
      black_ = true;
    }
  }
  if (!changed.isEmpty()) update(changed);
}

QRect GlPanelWidget::changedPixels(const QImage& before, const QImage& after) {
  if (before.size() != after.size() || before.format() != after.format()) return after.rect();
  const int width = after.width();
  int top = -1;
  int bottom = -1;
  int left = width;
  int right = -1;
  for (int row = 0; row < after.height(); ++row) {
    const auto* a = reinterpret_cast<const QRgb*>(before.constScanLine(row));
    const auto* b = reinterpret_cast<const QRgb*>(after.constScanLine(row));
    if (std::equal(a, a + width, b)) continue;
    if (top < 0) top = row;
    bottom = row;
    int first = 0;
    while (a[first] == b[first]) ++first;
    int last = width - 1;
    while (a[last] == b[last]) --last;
    left = std::min(left, first);
    right = std::max(right, last);
  }
  if (top < 0) return {};
  return QRect(QPoint(left, top), QPoint(right, bottom));
}

QRect GlPanelWidget::layoutRect(const QRect& pixels) const {
  if (pixels.isEmpty()) return {};
  const qreal scale = devicePixelRatioF();
  const QRectF area(pixels.x() / scale, pixels.y() / scale, pixels.width() / scale, pixels.height() / scale);
  return area.toAlignedRect().intersected(rect());
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
