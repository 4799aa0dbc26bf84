#include "ui/TsTrackBar.h"

#include <QEvent>
#include <algorithm>

TsTrackBar::TsTrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  // A mark for every position, below a horizontal track and right of a vertical one.
  setTickPosition(QSlider::TicksBelow);
  setTickInterval(1);
}

void TsTrackBar::setThumbLength(int length) {
  length = std::max(length, 1);
  if (length == thumbLength_) return;
  thumbLength_ = length;
  updateGeometry();
  update();
}

void TsTrackBar::setSkinSection(const QString& section) {
  if (section == skinSection_) return;
  skinSection_ = section;
  update();
}

bool TsTrackBar::event(QEvent* event) {
  // The orientation is set after construction (by the form), so the direction is settled
  // when the widget is polished, before it is first drawn or handled.
  if (event->type() == QEvent::Polish) followOrientation();
  return QSlider::event(event);
}

void TsTrackBar::followOrientation() {
  const bool vertical = orientation() == Qt::Vertical;
  setInvertedAppearance(vertical);
  setInvertedControls(vertical);
}
