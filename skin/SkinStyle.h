#pragma once

// The style that draws Qt's controls with the active skin. It leaves the geometry of most
// controls to the Fusion style underneath and replaces their look: glassy rounded buttons,
// gradient panels and tabs, bead thumbs on thin tracks, and menus with a caption strip and
// an icon column.

#include <QProxyStyle>

class SkinStyle : public QProxyStyle {
  Q_OBJECT

 public:
  SkinStyle();

  // The width of the caption strip along the left edge of every menu.
  static constexpr int kMenuExtraLineWidth = 18;
  // The width of the icon column at the left of every menu item.
  static constexpr int kMenuIconColumnWidth = 24;

  // The skin section that draws `widget`: the one it names, or the section for its kind.
  static QString sectionFor(const QWidget* widget, const QString& fallback);

  void polish(QWidget* widget) override;
  void unpolish(QWidget* widget) override;
  void polish(QPalette& palette) override;
  QPalette standardPalette() const override;

  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override;
  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget) const override;
  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                       const QWidget* widget) const override;

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override;
  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                          const QWidget* widget) const override;

 private:
  void drawSlider(const QStyleOptionComplex* option, QPainter* painter, const QWidget* widget) const;
  void drawGroupBox(const QStyleOptionComplex* option, QPainter* painter, const QWidget* widget) const;
  void drawMenuItem(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;
  void drawMenuPanel(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;
  QRect sliderRect(const QStyleOptionComplex* option, SubControl sub, const QWidget* widget) const;
};
