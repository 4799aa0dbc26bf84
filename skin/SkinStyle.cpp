#include "skin/SkinStyle.h"

#include <QAbstractButton>
#include <QFrame>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QSlider>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTabBar>
#include <algorithm>

#include "skin/Skin.h"
#include "skin/SkinFonts.h"
#include "skin/SkinPainter.h"

using SkinPainter::FaceState;

namespace {

constexpr int kIndicatorSize = 13;
constexpr int kCheckLabelSpacing = 4;
constexpr int kButtonMargin = 2;
// Space kept for the tick marks beside a slider's track.
constexpr int kTickSpace = 4;
// Distance from a slider's ends to the first and last thumb position.
constexpr int kSliderEndInset = 1;
// Thickness of the drawn track of a slider.
constexpr int kGrooveThickness = 4;
constexpr int kDefaultThumbLength = 20;
constexpr int kMenuItemMinHeight = 20;
constexpr int kMenuSeparatorHeight = 7;
constexpr int kMenuTextGap = 6;
constexpr int kMenuRightPadding = 18;

FaceState stateOf(const QStyleOption* option, bool sunkenIsPressed = true) {
  if (!(option->state & QStyle::State_Enabled)) return FaceState::Disabled;
  if (sunkenIsPressed && (option->state & (QStyle::State_Sunken | QStyle::State_On)))
    return FaceState::Pressed;
  if (option->state & QStyle::State_MouseOver) return FaceState::Hot;
  return FaceState::Normal;
}

// Across the track: the thumb's size in pixels, as the track bar names it.
int thumbLengthOf(const QWidget* widget) {
  if (widget == nullptr) return kDefaultThumbLength;
  const QVariant length = widget->property("thumbLength");
  return length.isValid() ? std::max(1, length.toInt()) : kDefaultThumbLength;
}

// Along the track: a little more than half the thumb's length across it.
int thumbBreadth(int length) { return std::max(6, (length * 3 + 4) / 5); }

}  // namespace

SkinStyle::SkinStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {
  setObjectName(QStringLiteral("SkinStyle"));
}

QString SkinStyle::sectionFor(const QWidget* widget, const QString& fallback) {
  if (widget != nullptr) {
    const QString named = widget->property("skinSection").toString();
    if (!named.isEmpty()) return named;
  }
  return fallback;
}

void SkinStyle::polish(QWidget* widget) {
  QProxyStyle::polish(widget);
  if (qobject_cast<QAbstractButton*>(widget) != nullptr || qobject_cast<QSlider*>(widget) != nullptr ||
      qobject_cast<QTabBar*>(widget) != nullptr) {
    widget->setAttribute(Qt::WA_Hover, true);
  }
  if (auto* menu = qobject_cast<QMenu*>(widget)) {
    menu->setContentsMargins(kMenuExtraLineWidth, 0, 0, 0);
  }
}

void SkinStyle::unpolish(QWidget* widget) {
  if (auto* menu = qobject_cast<QMenu*>(widget)) menu->setContentsMargins(0, 0, 0, 0);
  QProxyStyle::unpolish(widget);
}

void SkinStyle::polish(QPalette& palette) { palette = currentSkin().palette(); }

QPalette SkinStyle::standardPalette() const { return currentSkin().palette(); }

int SkinStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
  switch (metric) {
    case PM_IndicatorWidth:
    case PM_IndicatorHeight:
    case PM_ExclusiveIndicatorWidth:
    case PM_ExclusiveIndicatorHeight:
      return kIndicatorSize;
    case PM_CheckBoxLabelSpacing:
    case PM_RadioButtonLabelSpacing:
      return kCheckLabelSpacing;
    case PM_ButtonMargin:
      return kButtonMargin;
    case PM_DefaultFrameWidth:
      return 1;
    case PM_SliderLength:
      return thumbBreadth(thumbLengthOf(widget));
    case PM_SliderThickness:
    case PM_SliderControlThickness:
      return thumbLengthOf(widget);
    case PM_MenuHMargin:
    case PM_MenuVMargin:
      return 2;
    case PM_MenuPanelWidth:
      return 1;
    case PM_TabBarTabHSpace:
      return 14;
    case PM_TabBarTabVSpace:
      return 6;
    default:
      return QProxyStyle::pixelMetric(metric, option, widget);
  }
}

int SkinStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                         QStyleHintReturn* returnData) const {
  switch (hint) {
    case SH_GroupBox_TextLabelColor:
      return static_cast<int>(SkinPainter::section(sectionFor(widget, QStringLiteral("GROUPBOX"))).text.rgba());
    case SH_EtchDisabledText:
    case SH_DitherDisabledText:
      return 0;
    case SH_Menu_SupportsSections:
      return 0;
    default:
      return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
}

QSize SkinStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                  const QWidget* widget) const {
  if (type == CT_MenuItem) {
    if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
      if (item->menuItemType == QStyleOptionMenuItem::Separator) return {size.width(), kMenuSeparatorHeight};
      const QFontMetrics metrics(item->font);
      QString text = item->text;
      const int tab = text.indexOf(QLatin1Char('\t'));
      int width = kMenuIconColumnWidth + kMenuTextGap + kMenuRightPadding;
      if (tab >= 0) {
        width += metrics.horizontalAdvance(text.mid(tab + 1)) + 2 * kMenuTextGap;
        text.truncate(tab);
      }
      width += metrics.horizontalAdvance(QString(text).remove(QLatin1Char('&')));
      return {std::max(width, size.width()), std::max(kMenuItemMinHeight, metrics.height() + 6)};
    }
  }
  return QProxyStyle::sizeFromContents(type, option, size, widget);
}

QRect SkinStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                                const QWidget* widget) const {
  if (control == CC_Slider) return sliderRect(option, sub, widget);
  return QProxyStyle::subControlRect(control, option, sub, widget);
}

QRect SkinStyle::sliderRect(const QStyleOptionComplex* option, SubControl sub, const QWidget* widget) const {
  const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option);
  if (slider == nullptr) return QProxyStyle::subControlRect(CC_Slider, option, sub, widget);
  const bool horizontal = slider->orientation == Qt::Horizontal;
  // Work in "along, across" coordinates and turn them for vertical sliders at the end.
  const QRect r = slider->rect;
  const int along = horizontal ? r.width() : r.height();
  const int across = horizontal ? r.height() : r.width();
  const int ticksBefore = (slider->tickPosition & QSlider::TicksAbove) ? kTickSpace : 0;
  const int ticksAfter = (slider->tickPosition & QSlider::TicksBelow) ? kTickSpace : 0;
  const int band = std::max(1, across - ticksBefore - ticksAfter);
  const int thickness = std::min(thumbLengthOf(widget), band);
  const int breadth = std::min(thumbBreadth(thumbLengthOf(widget)), std::max(1, along - 2 * kSliderEndInset));
  const int bandStart = ticksBefore + (band - thickness) / 2;

  auto turn = [&](int a, int c, int alongSize, int acrossSize) {
    return horizontal ? QRect(r.x() + a, r.y() + c, alongSize, acrossSize)
                      : QRect(r.x() + c, r.y() + a, acrossSize, alongSize);
  };
  const int trackLength = std::max(0, along - 2 * kSliderEndInset);
  switch (sub) {
    case SC_SliderGroove:
      return turn(kSliderEndInset, bandStart, trackLength, thickness);
    case SC_SliderHandle: {
      const int offset = sliderPositionFromValue(slider->minimum, slider->maximum, slider->sliderPosition,
                                                 trackLength - breadth, slider->upsideDown);
      return turn(kSliderEndInset + offset, bandStart, breadth, thickness);
    }
    case SC_SliderTickmarks:
      return turn(kSliderEndInset, 0, trackLength, across);
    default:
      return {};
  }
}

void SkinStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const {
  switch (element) {
    case PE_PanelButtonCommand:
    case PE_PanelButtonBevel:
    case PE_PanelButtonTool:
      SkinPainter::paintFace(*painter, QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5),
                             SkinPainter::section(sectionFor(widget, QStringLiteral("BUTTON"))),
                             stateOf(option));
      return;
    case PE_FrameDefaultButton:
      return;
    case PE_FrameFocusRect: {
      painter->save();
      painter->setRenderHint(QPainter::Antialiasing, true);
      QColor ring = SkinPainter::section(QStringLiteral("BUTTON")).accentBottom;
      ring.setAlpha(140);
      painter->setPen(QPen(ring, 1, Qt::DotLine));
      painter->drawRoundedRect(QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
      painter->restore();
      return;
    }
    case PE_IndicatorCheckBox: {
      SkinPainter::CheckMark mark = SkinPainter::CheckMark::None;
      if (option->state & State_On) mark = SkinPainter::CheckMark::Checked;
      if (option->state & State_NoChange) mark = SkinPainter::CheckMark::Partial;
      SkinPainter::paintCheckBox(*painter, option->rect, sectionFor(widget, QStringLiteral("CHECKBOX")), mark,
                                 stateOf(option, false));
      return;
    }
    case PE_IndicatorRadioButton:
      SkinPainter::paintRadio(*painter, option->rect, sectionFor(widget, QStringLiteral("CHECKBOX")),
                              (option->state & State_On) != 0, stateOf(option, false));
      return;
    case PE_FrameTabWidget:
      SkinPainter::paintPageFrame(*painter, option->rect, sectionFor(widget, QStringLiteral("PAGECONTROL")));
      return;
    case PE_FrameTabBarBase:
      return;
    case PE_Frame:
    case PE_FrameLineEdit:
      SkinPainter::paintField(*painter, option->rect, QStringLiteral("EDIT"), option->state & State_Enabled);
      return;
    case PE_PanelItemViewItem:
      if (const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(option)) {
        if (item->state & State_Selected) {
          SkinPainter::paintSelection(*painter, option->rect.adjusted(1, 0, -1, 0), QStringLiteral("EDIT"));
          return;
        }
        if (item->state & State_MouseOver) {
          QColor hover = SkinPainter::section(QStringLiteral("EDIT")).hotBottom;
          hover.setAlpha(110);
          painter->fillRect(option->rect, hover);
          return;
        }
      }
      break;
    case PE_PanelMenu:
      drawMenuPanel(option, painter, widget);
      return;
    case PE_FrameMenu: {
      painter->save();
      painter->setPen(SkinPainter::section(QStringLiteral("MENU")).border);
      painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
      painter->restore();
      return;
    }
    default:
      break;
  }
  QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void SkinStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const {
  switch (element) {
    case CE_PushButtonBevel:
      if (const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option)) {
        proxy()->drawPrimitive(PE_PanelButtonCommand, button, painter, widget);
        return;
      }
      break;
    case CE_TabBarTabShape:
      if (const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option)) {
        const bool selected = tab->state & State_Selected;
        // Unselected tabs stand two pixels lower, so the selected one seems to come forward.
        const QRect shape = selected ? tab->rect : tab->rect.adjusted(0, 2, 0, 0);
        SkinPainter::paintTab(*painter, shape, sectionFor(widget, QStringLiteral("PAGECONTROL")), selected,
                              stateOf(option, false));
        return;
      }
      break;
    case CE_ShapedFrame:
      if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option)) {
        if (frame->frameShape == QFrame::Panel || frame->frameShape == QFrame::Box) {
          SkinPainter::paintBevel(*painter, frame->rect, QStringLiteral("PANEL"));
          return;
        }
      }
      break;
    case CE_MenuItem:
      drawMenuItem(option, painter, widget);
      return;
    case CE_MenuEmptyArea:
      return;
    default:
      break;
  }
  QProxyStyle::drawControl(element, option, painter, widget);
}

void SkinStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                   const QWidget* widget) const {
  if (control == CC_Slider) {
    drawSlider(option, painter, widget);
    return;
  }
  if (control == CC_GroupBox) {
    drawGroupBox(option, painter, widget);
    return;
  }
  QProxyStyle::drawComplexControl(control, option, painter, widget);
}

void SkinStyle::drawSlider(const QStyleOptionComplex* option, QPainter* painter, const QWidget* widget) const {
  const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option);
  if (slider == nullptr) return;
  const QString section = sectionFor(widget, QStringLiteral("TRACKBAR"));
  const bool horizontal = slider->orientation == Qt::Horizontal;
  const bool enabled = slider->state & State_Enabled;
  const QRect groove = sliderRect(option, SC_SliderGroove, widget);
  const QRect handle = sliderRect(option, SC_SliderHandle, widget);

  if (slider->subControls & SC_SliderGroove) {
    QRect track = groove;
    if (horizontal) {
      track.setTop(groove.center().y() - kGrooveThickness / 2 + 1);
      track.setHeight(kGrooveThickness);
      track.adjust(handle.width() / 2 - 1, 0, -(handle.width() / 2 - 1), 0);
    } else {
      track.setLeft(groove.center().x() - kGrooveThickness / 2 + 1);
      track.setWidth(kGrooveThickness);
      track.adjust(0, handle.height() / 2 - 1, 0, -(handle.height() / 2 - 1));
    }
    SkinPainter::paintGroove(*painter, track, section, horizontal, enabled);
  }

  if ((slider->subControls & SC_SliderTickmarks) && slider->tickPosition != QSlider::NoTicks) {
    const int interval = slider->tickInterval > 0 ? slider->tickInterval : std::max(1, slider->pageStep);
    const int breadth = horizontal ? handle.width() : handle.height();
    const int span = (horizontal ? groove.width() : groove.height()) - breadth;
    painter->save();
    painter->setPen(SkinPainter::section(section).border);
    const QRect r = slider->rect;
    for (qint64 v = slider->minimum; v <= slider->maximum; v += interval) {
      const int at = sliderPositionFromValue(slider->minimum, slider->maximum, static_cast<int>(v), span,
                                             slider->upsideDown) + breadth / 2 + (horizontal ? groove.x() : groove.y());
      if (slider->tickPosition & QSlider::TicksBelow) {
        if (horizontal) painter->drawLine(at, r.bottom() - kTickSpace + 2, at, r.bottom());
        else painter->drawLine(r.right() - kTickSpace + 2, at, r.right(), at);
      }
      if (slider->tickPosition & QSlider::TicksAbove) {
        if (horizontal) painter->drawLine(at, r.top(), at, r.top() + kTickSpace - 2);
        else painter->drawLine(r.left(), at, r.left() + kTickSpace - 2, at);
      }
    }
    painter->restore();
  }

  if (slider->subControls & SC_SliderHandle) {
    FaceState state = FaceState::Normal;
    if (!enabled) state = FaceState::Disabled;
    else if ((slider->activeSubControls & SC_SliderHandle) && (slider->state & State_Sunken)) state = FaceState::Pressed;
    else if ((slider->activeSubControls & SC_SliderHandle) && (slider->state & State_MouseOver)) state = FaceState::Hot;
    SkinPainter::paintThumb(*painter, handle, section, state);
  }
}

void SkinStyle::drawGroupBox(const QStyleOptionComplex* option, QPainter* painter, const QWidget* widget) const {
  const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
  if (box == nullptr) return;
  const QString section = sectionFor(widget, QStringLiteral("GROUPBOX"));
  const QRect label = proxy()->subControlRect(CC_GroupBox, option, SC_GroupBoxLabel, widget);
  QRect frame = proxy()->subControlRect(CC_GroupBox, option, SC_GroupBoxFrame, widget);
  if (box->subControls & SC_GroupBoxFrame) {
    painter->save();
    if (!box->text.isEmpty()) {
      // The caption sits in a gap of the top edge.
      QRegion clip(frame);
      clip -= QRegion(label.adjusted(-2, 0, 2, 0));
      painter->setClipRegion(clip);
    }
    SkinPainter::paintGroupFrame(*painter, frame, section);
    painter->restore();
  }
  if ((box->subControls & SC_GroupBoxLabel) && !box->text.isEmpty()) {
    painter->save();
    const SkinSection& s = SkinPainter::section(section);
    painter->setPen(box->state & State_Enabled ? s.text : box->palette.color(QPalette::Disabled, QPalette::WindowText));
    painter->drawText(label, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, box->text);
    painter->restore();
  }
  if (box->subControls & SC_GroupBoxCheckBox) {
    QStyleOptionButton check;
    check.QStyleOption::operator=(*box);
    check.rect = proxy()->subControlRect(CC_GroupBox, option, SC_GroupBoxCheckBox, widget);
    proxy()->drawPrimitive(PE_IndicatorCheckBox, &check, painter, widget);
  }
}

void SkinStyle::drawMenuPanel(const QStyleOption* option, QPainter* painter, const QWidget* widget) const {
  const SkinSection& menu = SkinPainter::section(QStringLiteral("MENU"));
  const SkinSection& icons = SkinPainter::section(QStringLiteral("ICOLINE"));
  const QRect r = option->rect;
  painter->save();
  painter->fillRect(r, menu.faceTop);
  // The icon column runs the full height behind the items.
  const QRect column(r.left() + kMenuExtraLineWidth, r.top(), kMenuIconColumnWidth + 2, r.height());
  QLinearGradient columnFill(column.topLeft(), column.topRight());
  columnFill.setColorAt(0.0, icons.faceTop);
  columnFill.setColorAt(1.0, icons.faceBottom);
  painter->fillRect(column, columnFill);
  painter->setPen(icons.border.lighter(130));
  painter->drawLine(column.topRight(), column.bottomRight());

  // The extra line: a strip in the accent colour with the menu's caption written upward.
  const QRect strip(r.left(), r.top(), kMenuExtraLineWidth, r.height());
  QLinearGradient stripFill(strip.topLeft(), strip.topRight());
  stripFill.setColorAt(0.0, menu.accentBottom.darker(115));
  stripFill.setColorAt(1.0, menu.accentTop);
  painter->fillRect(strip, stripFill);
  QString caption;
  if (const auto* asMenu = qobject_cast<const QMenu*>(widget)) caption = asMenu->title();
  if (caption.isEmpty()) caption = QGuiApplication::applicationDisplayName();
  QFont font = SkinFonts::windowFont();
  font.setBold(true);
  const QFontMetrics metrics(font);
  if (!caption.isEmpty() && metrics.horizontalAdvance(caption) + 8 <= strip.height()) {
    painter->setFont(font);
    painter->setPen(Qt::white);
    painter->translate(strip.left(), strip.bottom());
    painter->rotate(-90);
    painter->drawText(QRect(6, 0, strip.height() - 6, strip.width()), Qt::AlignLeft | Qt::AlignVCenter, caption);
  }
  painter->restore();
}

void SkinStyle::drawMenuItem(const QStyleOption* option, QPainter* painter, const QWidget* widget) const {
  const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
  if (item == nullptr) return;
  const SkinSection& menu = SkinPainter::section(QStringLiteral("MENU"));
  const QRect r = item->rect;
  painter->save();
  if (item->menuItemType == QStyleOptionMenuItem::Separator) {
    const int y = r.center().y();
    painter->setPen(menu.border.lighter(140));
    painter->drawLine(r.left() + kMenuIconColumnWidth + kMenuTextGap, y, r.right() - 2, y);
    painter->restore();
    return;
  }
  const bool enabled = item->state & State_Enabled;
  if ((item->state & State_Selected) && enabled) {
    SkinPainter::paintSelection(*painter, r.adjusted(1, 1, -1, -1), QStringLiteral("MENU"));
  }
  const QRect iconCell(r.left(), r.top(), kMenuIconColumnWidth, r.height());
  if (item->checkType != QStyleOptionMenuItem::NotCheckable && item->checked) {
    const QRect mark(iconCell.center() - QPoint(6, 6), QSize(kIndicatorSize, kIndicatorSize));
    if (item->checkType == QStyleOptionMenuItem::Exclusive)
      SkinPainter::paintRadio(*painter, mark, QStringLiteral("CHECKBOX"), true, stateOf(option, false));
    else
      SkinPainter::paintCheckBox(*painter, mark, QStringLiteral("CHECKBOX"), SkinPainter::CheckMark::Checked,
                                 stateOf(option, false));
  } else if (!item->icon.isNull()) {
    const int size = pixelMetric(PM_SmallIconSize, option, widget);
    const QPixmap pixmap = item->icon.pixmap(size, enabled ? QIcon::Normal : QIcon::Disabled);
    painter->drawPixmap(QRect(iconCell.center() - QPoint(size / 2, size / 2), QSize(size, size)), pixmap);
  }
  QString text = item->text;
  QString shortcut;
  const int tab = text.indexOf(QLatin1Char('\t'));
  if (tab >= 0) {
    shortcut = text.mid(tab + 1);
    text.truncate(tab);
  }
  const QRect textRect = r.adjusted(kMenuIconColumnWidth + kMenuTextGap, 0, -kMenuRightPadding, 0);
  painter->setFont(item->font);
  painter->setPen(enabled ? menu.text : item->palette.color(QPalette::Disabled, QPalette::Text));
  painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, text);
  if (!shortcut.isEmpty()) painter->drawText(textRect, Qt::AlignRight | Qt::AlignVCenter, shortcut);
  if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
    QStyleOption arrow = *option;
    arrow.rect = QRect(r.right() - kMenuRightPadding + 4, r.top(), kMenuRightPadding - 6, r.height());
    proxy()->drawPrimitive(PE_IndicatorArrowRight, &arrow, painter, widget);
  }
  painter->restore();
}
