#include "ui/TsGauge.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstdint>

#include "skin/SkinPainter.h"

TsGauge::TsGauge(QWidget* parent) : QWidget(parent) {
  // The handlers turn drags into values, and hints need the moves without a button too.
  setMouseTracking(true);
}

int TsGauge::Percent() const {
  // Both the span and the product reach past 32 bits for stream lengths near 2^31 bytes.
  const int64_t span = int64_t{max_} - min_;
  if (span == 0) return 0;
  return static_cast<int>((int64_t{progress_} - min_) * 100 / span);
}

QString TsGauge::text() const { return QString::number(Percent()) + suffix_; }

void TsGauge::setMinValue(int value) {
  if (value == min_ || value > max_) return;
  min_ = value;
  takeProgress(std::max(progress_, min_));
}

void TsGauge::setMaxValue(int value) {
  if (value == max_ || value < min_) return;
  max_ = value;
  takeProgress(std::min(progress_, max_));
}

void TsGauge::setProgress(int value) { takeProgress(std::clamp(value, min_, max_)); }

void TsGauge::takeProgress(int progress) {
  const bool changed = progress != progress_;
  progress_ = progress;
  refreshIfPercentChanged();
  if (changed) emit progressChanged(progress_);
}

void TsGauge::setSuffix(const QString& suffix) {
  if (suffix == suffix_) return;
  suffix_ = suffix;
  update();
}

void TsGauge::setForeColor(const QColor& color) {
  if (color == foreColor_) return;
  foreColor_ = color;
  update();
}

void TsGauge::setSkinSection(const QString& section) {
  if (section == skinSection_) return;
  skinSection_ = section;
  update();
}

QSize TsGauge::sizeHint() const { return {100, 9}; }

void TsGauge::refreshIfPercentChanged() {
  const int percent = Percent();
  if (percent == shownPercent_) return;
  shownPercent_ = percent;
  update();
}

void TsGauge::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  shownPercent_ = Percent();
  SkinPainter::paintGauge(painter, rect(), skinSection_, shownPercent_ / 100.0, text(), foreColor_,
                          font(), isEnabled());
}

void TsGauge::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  emit MouseMove(event->buttons(), at.x(), at.y());
}
