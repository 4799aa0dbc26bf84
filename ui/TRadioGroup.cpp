#include "ui/TRadioGroup.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFontMetrics>
#include <QRadioButton>
#include <algorithm>

namespace {
// Distances from the group's edges to its column of buttons.
constexpr int kLeftMargin = 8;
constexpr int kRightMargin = 2;
constexpr int kBottomMargin = 5;
}  // namespace

TRadioGroup::TRadioGroup(QWidget* parent) : QGroupBox(parent), group_(new QButtonGroup(this)) {
  connect(group_, &QButtonGroup::idClicked, this, [this](int id) { setItemIndex(id); });
}

void TRadioGroup::setItems(const QStringList& items) {
  qDeleteAll(buttons_);
  buttons_.clear();
  items_ = items;
  for (int i = 0; i < items_.size(); ++i) {
    auto* radio = new QRadioButton(items_[i], this);
    radio->setObjectName(QStringLiteral("%1_item%2").arg(objectName()).arg(i));
    group_->addButton(radio, i);
    buttons_.append(radio);
    radio->show();
  }
  arrangeButtons();
  const int wanted = pendingIndex_ >= 0 && !items_.isEmpty() ? pendingIndex_ : itemIndex_;
  if (!items_.isEmpty()) pendingIndex_ = -1;
  const int kept = std::clamp(wanted, -1, static_cast<int>(items_.size()) - 1);
  const bool changed = kept != itemIndex_;
  itemIndex_ = kept;
  showIndex();
  if (changed) emit itemIndexChanged(itemIndex_);
}

void TRadioGroup::setItemIndex(int index) {
  pendingIndex_ = items_.isEmpty() ? index : -1;
  const int clamped = std::clamp(index, -1, static_cast<int>(items_.size()) - 1);
  if (clamped == itemIndex_) {
    showIndex();
    return;
  }
  itemIndex_ = clamped;
  showIndex();
  emit itemIndexChanged(itemIndex_);
}

QRadioButton* TRadioGroup::button(int index) const {
  if (index < 0 || index >= buttons_.size()) return nullptr;
  return buttons_[index];
}

void TRadioGroup::showIndex() {
  // An exclusive group cannot uncheck its last checked button, so "none" needs the
  // exclusivity lifted for a moment.
  group_->setExclusive(false);
  for (int i = 0; i < buttons_.size(); ++i) buttons_[i]->setChecked(i == itemIndex_);
  group_->setExclusive(true);
}

void TRadioGroup::arrangeButtons() {
  if (buttons_.isEmpty()) return;
  // The column starts below the caption line and its rows share the remaining height
  // equally; the odd pixels are split above and below.
  const int captionHeight = fontMetrics().height();
  const int count = static_cast<int>(buttons_.size());
  const int available = std::max(0, height() - captionHeight - kBottomMargin);
  const int rowHeight = available / count;
  const int top = captionHeight + 1 + (available % count) / 2;
  const int width = std::max(0, this->width() - kLeftMargin - kRightMargin);
  for (int i = 0; i < count; ++i) {
    buttons_[i]->setGeometry(kLeftMargin, top + i * rowHeight, width, rowHeight);
  }
}

void TRadioGroup::resizeEvent(QResizeEvent* event) {
  QGroupBox::resizeEvent(event);
  arrangeButtons();
}

bool TRadioGroup::event(QEvent* event) {
  const bool handled = QGroupBox::event(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) arrangeButtons();
  return handled;
}
