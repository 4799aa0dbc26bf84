#pragma once

// The drawing of the active skin, one function per kind of part. The style draws Qt's own
// controls with these, and the skinned widgets call them for the parts Qt has no element
// for (the gauge, the panel). Every function takes the name of the skin section to use.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QPainter;
struct SkinSection;

namespace SkinPainter {

enum class FaceState { Normal, Hot, Pressed, Disabled };
enum class CheckMark { None, Checked, Partial };

// The section of the active skin with that name.
const SkinSection& section(const QString& name);

// A rounded glassy face: gradient, gloss over the upper half, outline.
void paintFace(QPainter& painter, const QRectF& rect, const SkinSection& section, FaceState state);
// A flat panel with a light upper-left and a dark lower-right edge.
void paintPanel(QPainter& painter, const QRect& rect, const QString& sectionName);
// Only the edges of such a panel, over whatever background is already there.
void paintBevel(QPainter& painter, const QRect& rect, const QString& sectionName);
// A horizontal bar filled to `fraction` (0..1) with `text` centred over it.
void paintGauge(QPainter& painter, const QRect& rect, const QString& sectionName, double fraction,
                const QString& text, const QColor& textColor, const QFont& font, bool enabled);
// The sunken track of a slider, horizontal or vertical.
void paintGroove(QPainter& painter, const QRect& rect, const QString& sectionName, bool horizontal,
                 bool enabled);
// The thumb of a slider.
void paintThumb(QPainter& painter, const QRect& rect, const QString& sectionName, FaceState state);
// The box of a check box with its mark.
void paintCheckBox(QPainter& painter, const QRect& rect, const QString& sectionName, CheckMark mark,
                   FaceState state);
// The round indicator of a radio button.
void paintRadio(QPainter& painter, const QRect& rect, const QString& sectionName, bool checked,
                FaceState state);
// The frame of a group box, below its caption line.
void paintGroupFrame(QPainter& painter, const QRect& rect, const QString& sectionName);
// A tab of a page control; `selected` tabs are lighter and one pixel taller.
void paintTab(QPainter& painter, const QRect& rect, const QString& sectionName, bool selected,
              FaceState state);
// The body of a page control under its tabs.
void paintPageFrame(QPainter& painter, const QRect& rect, const QString& sectionName);
// The field of a list or edit box.
void paintField(QPainter& painter, const QRect& rect, const QString& sectionName, bool enabled);
// A highlighted row of a list or menu.
void paintSelection(QPainter& painter, const QRect& rect, const QString& sectionName);

}  // namespace SkinPainter
