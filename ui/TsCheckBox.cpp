#include "ui/TsCheckBox.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMetaObject>
#include <QStyle>
#include <QStyleOptionButton>

namespace {
// Room left after the caption, so that the last glyph is not cut by the focus frame.
constexpr int kCaptionPadding = 8;
}  // namespace

TsCheckBox::TsCheckBox(QWidget* parent) : QCheckBox(parent) {}

void TsCheckBox::setAutoSize(bool on) {
  if (on == autoSize_) return;
  autoSize_ = on;
  fitted_ = false;
  fitWidth();
}

void TsCheckBox::setSkinSection(const QString& section) {
  if (section == skinSection_) return;
  skinSection_ = section;
  update();
}

void TsCheckBox::setCaption(const QString& caption) { setText(caption); }

void TsCheckBox::setText(const QString& text) {
  QCheckBox::setText(text);
  fitted_ = false;
  fitWidth();
}

int TsCheckBox::fittingWidth() const {
  QStyleOptionButton option;
  option.initFrom(this);
  const int box = style()->pixelMetric(QStyle::PM_IndicatorWidth, &option, this);
  const int spacing = style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, this);
  return box + spacing + fontMetrics().horizontalAdvance(text()) + kCaptionPadding;
}

void TsCheckBox::fitWidth() {
  if (!autoSize_) return;
  if (fitted_ && fittedText_ == text()) return;
  fitted_ = true;
  fittedText_ = text();
  resize(fittingWidth(), height());
}

bool TsCheckBox::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
      fitted_ = false;
      [[fallthrough]];
    case QEvent::Polish:
    case QEvent::Show:
      fitWidth();
      break;
    default:
      break;
  }
  return QCheckBox::event(event);
}

void TsCheckBox::paintEvent(QPaintEvent* event) {
  if (autoSize_ && fittedText_ != text()) {
    // The caption was changed behind our back; resize after this paint, not inside it.
    fitted_ = false;
    QMetaObject::invokeMethod(this, [this] { fitWidth(); }, Qt::QueuedConnection);
  }
  QCheckBox::paintEvent(event);
}
