#include "skin/SkinPainter.h"

#include <QFontInfo>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "skin/Skin.h"

namespace SkinPainter {

namespace {

QColor faded(QColor color) {
  // Disabled faces keep their shape but lose most of their colour.
  const int grey = qGray(color.rgb());
  return QColor((color.red() + 2 * grey) / 3, (color.green() + 2 * grey) / 3,
                (color.blue() + 2 * grey) / 3, color.alpha());
}

QPainterPath rounded(const QRectF& rect, qreal radius) {
  QPainterPath path;
  path.addRoundedRect(rect, radius, radius);
  return path;
}

QLinearGradient vertical(const QRectF& rect, const QColor& top, const QColor& bottom) {
  QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
  gradient.setColorAt(0.0, top);
  gradient.setColorAt(1.0, bottom);
  return gradient;
}

QLinearGradient accentGradient(const QRectF& rect, const SkinSection& s, bool horizontal) {
  QLinearGradient gradient = horizontal ? QLinearGradient(rect.topLeft(), rect.bottomLeft())
                                        : QLinearGradient(rect.topLeft(), rect.topRight());
  gradient.setColorAt(0.0, s.accentTop);
  gradient.setColorAt(0.5, s.accentTop.darker(108));
  gradient.setColorAt(0.51, s.accentBottom);
  gradient.setColorAt(1.0, s.accentBottom.lighter(115));
  return gradient;
}

// Pixel-aligned rectangle for a one-pixel outline.
QRectF outlineRect(const QRect& rect) { return QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5); }

}  // namespace

const SkinSection& section(const QString& name) { return currentSkin().section(name); }

void paintFace(QPainter& painter, const QRectF& rect, const SkinSection& s, FaceState state) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  QColor top = s.faceTop;
  QColor bottom = s.faceBottom;
  if (state == FaceState::Hot) {
    top = s.hotTop;
    bottom = s.hotBottom;
  } else if (state == FaceState::Pressed) {
    top = s.hotBottom.darker(108);
    bottom = s.hotBottom;
  } else if (state == FaceState::Disabled) {
    top = faded(top);
    bottom = faded(bottom);
  }
  const qreal radius = std::min<qreal>(s.radius, std::min(rect.width(), rect.height()) / 2.0);
  const QPainterPath body = rounded(rect, radius);
  painter.fillPath(body, vertical(rect, top, bottom));
  if (state != FaceState::Pressed) {
    QRectF upper = rect.adjusted(1, 1, -1, 0);
    upper.setHeight(rect.height() / 2.0 - 1);
    painter.fillPath(rounded(upper, std::max<qreal>(0, radius - 1)),
                     vertical(upper, s.gloss, QColor(255, 255, 255, 30)));
  }
  painter.setPen(QPen(state == FaceState::Disabled ? faded(s.border) : s.border, 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(body);
  painter.restore();
}

void paintPanel(QPainter& painter, const QRect& rect, const QString& sectionName) {
  const SkinSection& s = section(sectionName);
  painter.fillRect(rect, vertical(rect, s.faceTop, s.faceBottom));
  paintBevel(painter, rect, sectionName);
}

void paintBevel(QPainter& painter, const QRect& rect, const QString& sectionName) {
  const SkinSection& s = section(sectionName);
  painter.save();
  painter.setPen(QColor(255, 255, 255, 200));
  painter.drawLine(rect.topLeft(), rect.topRight());
  painter.drawLine(rect.topLeft(), rect.bottomLeft());
  painter.setPen(s.border);
  painter.drawLine(rect.bottomLeft(), rect.bottomRight());
  painter.drawLine(rect.topRight(), rect.bottomRight());
  painter.restore();
}

void paintGauge(QPainter& painter, const QRect& rect, const QString& sectionName, double fraction,
                const QString& text, const QColor& textColor, const QFont& font, bool enabled) {
  const SkinSection& s = section(sectionName);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  const QRectF outer = outlineRect(rect);
  const qreal radius = std::min<qreal>(s.radius, rect.height() / 2.0);
  painter.fillPath(rounded(outer, radius), vertical(outer, s.faceTop, s.faceBottom));
  const double share = std::clamp(fraction, 0.0, 1.0);
  if (share > 0.0) {
    QRectF filled = outer.adjusted(1, 1, -1, -1);
    filled.setWidth(filled.width() * share);
    QLinearGradient fill = accentGradient(filled, s, true);
    painter.fillPath(rounded(filled, std::max<qreal>(0, radius - 1)), fill);
  }
  painter.setPen(enabled ? s.border : faded(s.border));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(rounded(outer, radius));
  if (!text.isEmpty()) {
    // The bar may be lower than the window font; the text shrinks to fit it.
    constexpr int kSmallestTextPixels = 6;
    const int fontPixels = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    QFont small = font;
    small.setPixelSize(std::max(kSmallestTextPixels, std::min(rect.height(), fontPixels)));
    painter.setFont(small);
    painter.setPen(enabled ? textColor : faded(textColor));
    painter.drawText(rect, Qt::AlignCenter, text);
  }
  painter.restore();
}

void paintGroove(QPainter& painter, const QRect& rect, const QString& sectionName, bool horizontal,
                 bool enabled) {
  const SkinSection& s = section(sectionName);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  const QRectF r = outlineRect(rect);
  QLinearGradient gradient = horizontal ? QLinearGradient(r.topLeft(), r.bottomLeft())
                                        : QLinearGradient(r.topLeft(), r.topRight());
  gradient.setColorAt(0.0, enabled ? s.faceTop : faded(s.faceTop));
  gradient.setColorAt(1.0, enabled ? s.faceBottom : faded(s.faceBottom));
  const qreal radius = std::min(r.width(), r.height()) / 2.0;
  painter.setBrush(gradient);
  painter.setPen(enabled ? s.border : faded(s.border));
  painter.drawRoundedRect(r, radius, radius);
  painter.restore();
}

void paintThumb(QPainter& painter, const QRect& rect, const QString& sectionName, FaceState state) {
  const SkinSection& s = section(sectionName);
  SkinSection thumb = s;
  // The thumb is a small glass bead in the accent colour.
  thumb.faceTop = s.accentTop.lighter(120);
  thumb.faceBottom = s.accentBottom;
  thumb.hotTop = s.accentTop.lighter(135);
  thumb.hotBottom = s.accentBottom.lighter(120);
  thumb.border = s.accentBottom.darker(140);
  thumb.radius = std::max(2, std::min(rect.width(), rect.height()) / 3);
  paintFace(painter, outlineRect(rect), thumb, state);
}

void paintCheckBox(QPainter& painter, const QRect& rect, const QString& sectionName, CheckMark mark,
                   FaceState state) {
  const SkinSection& s = section(sectionName);
  SkinSection box = s;
  box.faceTop = Qt::white;
  box.faceBottom = s.faceBottom;
  paintFace(painter, outlineRect(rect), box, state);
  if (mark == CheckMark::None) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  const QColor ink = state == FaceState::Disabled ? faded(s.accentBottom) : s.accentBottom.darker(125);
  const QRectF r = QRectF(rect).adjusted(3, 3, -3, -3);
  if (mark == CheckMark::Partial) {
    painter.fillRect(r, ink);
  } else {
    QPainterPath tick;
    tick.moveTo(r.left(), r.center().y());
    tick.lineTo(r.left() + r.width() * 0.4, r.bottom());
    tick.lineTo(r.right(), r.top());
    painter.setPen(QPen(ink, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(tick);
  }
  painter.restore();
}

void paintRadio(QPainter& painter, const QRect& rect, const QString& sectionName, bool checked,
                FaceState state) {
  const SkinSection& s = section(sectionName);
  SkinSection ring = s;
  ring.faceTop = Qt::white;
  ring.radius = std::min(rect.width(), rect.height());
  paintFace(painter, outlineRect(rect), ring, state);
  if (!checked) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  const QRectF dot = QRectF(rect).adjusted(3.5, 3.5, -3.5, -3.5);
  QRadialGradient bead(dot.center() - QPointF(1, 1), dot.width());
  bead.setColorAt(0.0, s.accentTop);
  bead.setColorAt(1.0, state == FaceState::Disabled ? faded(s.accentBottom) : s.accentBottom);
  painter.setPen(Qt::NoPen);
  painter.setBrush(bead);
  painter.drawEllipse(dot);
  painter.restore();
}

void paintGroupFrame(QPainter& painter, const QRect& rect, const QString& sectionName) {
  const SkinSection& s = section(sectionName);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  const QRectF r = outlineRect(rect);
  painter.setBrush(vertical(r, s.faceTop, s.faceBottom));
  painter.setPen(s.border);
  painter.drawRoundedRect(r, s.radius, s.radius);
  painter.setPen(QColor(255, 255, 255, 170));
  painter.setBrush(Qt::NoBrush);
  painter.drawRoundedRect(r.adjusted(1, 1, -1, -1), std::max(0, s.radius - 1), std::max(0, s.radius - 1));
  painter.restore();
}

void paintTab(QPainter& painter, const QRect& rect, const QString& sectionName, bool selected,
              FaceState state) {
  const SkinSection& s = section(sectionName);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  QRectF r = outlineRect(rect);
  const qreal radius = s.radius;
  QPainterPath shape;
  shape.moveTo(r.bottomLeft());
  shape.lineTo(r.left(), r.top() + radius);
  shape.quadTo(r.topLeft(), QPointF(r.left() + radius, r.top()));
  shape.lineTo(r.right() - radius, r.top());
  shape.quadTo(r.topRight(), QPointF(r.right(), r.top() + radius));
  shape.lineTo(r.bottomRight());
  QColor top = selected ? QColor(Qt::white) : (state == FaceState::Hot ? s.hotTop : s.faceTop.darker(104));
  QColor bottom = selected ? s.faceTop : (state == FaceState::Hot ? s.hotBottom : s.faceBottom.darker(106));
  painter.fillPath(shape, vertical(r, top, bottom));
  if (selected) {
    QRectF band = r.adjusted(1, 0, -1, 0);
    band.setHeight(2);
    painter.fillRect(band, s.accentBottom);
  }
  painter.setPen(s.border);
  painter.drawPath(shape);
  painter.restore();
}

void paintPageFrame(QPainter& painter, const QRect& rect, const QString& sectionName) {
  const SkinSection& s = section(sectionName);
  painter.save();
  const QRectF r = outlineRect(rect);
  painter.fillRect(r, vertical(r, s.faceTop, s.faceBottom));
  painter.setPen(s.border);
  painter.drawRect(r);
  painter.restore();
}

void paintField(QPainter& painter, const QRect& rect, const QString& sectionName, bool enabled) {
  const SkinSection& s = section(sectionName);
  painter.save();
  const QRectF r = outlineRect(rect);
  painter.fillRect(r, enabled ? s.faceTop : faded(s.faceBottom));
  painter.setPen(s.border);
  painter.drawRect(r);
  painter.setPen(QColor(0, 0, 0, 28));
  painter.drawLine(r.topLeft() + QPointF(1, 1), r.topRight() + QPointF(-1, 1));
  painter.restore();
}

void paintSelection(QPainter& painter, const QRect& rect, const QString& sectionName) {
  const SkinSection& s = section(sectionName);
  SkinSection selection = s;
  selection.faceTop = s.hotTop;
  selection.faceBottom = s.hotBottom;
  selection.border = s.accentTop.darker(110);
  selection.radius = 2;
  paintFace(painter, outlineRect(rect), selection, FaceState::Normal);
}

}  // namespace SkinPainter
