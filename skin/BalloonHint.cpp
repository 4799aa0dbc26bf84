#include "skin/BalloonHint.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <algorithm>
#include <vector>

#include "skin/Skin.h"
#include "skin/SkinFonts.h"

namespace {

// Distance kept between the pointer and the tip of the tail.
constexpr int kPointerClearance = 18;

int alphaFromTransparency(int percent) { return std::clamp(255 * (100 - percent) / 100, 0, 255); }

// Three box blurs of the alpha channel approximate a Gaussian of the given radius.
void blurAlpha(QImage& image, int radius) {
  if (radius <= 0) return;
  const int w = image.width();
  const int h = image.height();
  const int box = std::max(1, radius / 2);
  std::vector<int> line(static_cast<size_t>(std::max(w, h)));
  auto alphaAt = [&](int x, int y) -> uchar& { return image.scanLine(y)[x * 4 + 3]; };
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < h; ++y) {
      int sum = 0;
      for (int x = -box; x <= box; ++x) sum += alphaAt(std::clamp(x, 0, w - 1), y);
      for (int x = 0; x < w; ++x) {
        line[x] = sum / (2 * box + 1);
        sum += alphaAt(std::min(x + box + 1, w - 1), y) - alphaAt(std::max(x - box, 0), y);
      }
      for (int x = 0; x < w; ++x) alphaAt(x, y) = static_cast<uchar>(line[x]);
    }
    for (int x = 0; x < w; ++x) {
      int sum = 0;
      for (int y = -box; y <= box; ++y) sum += alphaAt(x, std::clamp(y, 0, h - 1));
      for (int y = 0; y < h; ++y) {
        line[y] = sum / (2 * box + 1);
        sum += alphaAt(x, std::min(y + box + 1, h - 1)) - alphaAt(x, std::max(y - box, 0));
      }
      for (int y = 0; y < h; ++y) alphaAt(x, y) = static_cast<uchar>(line[y]);
    }
  }
}

}  // namespace

BalloonHint::BalloonHint(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                          Qt::BypassWindowManagerHint) {
  setObjectName(QStringLiteral("BalloonHint"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  setFont(SkinFonts::hintFont());
  // Where the platform can blend windows the balloon is drawn translucent; on X11 there may
  // be no compositor, so the screen beneath is copied and blended by hand instead.
  composited_ = QGuiApplication::platformName() != QLatin1String("xcb");
  if (composited_) setAttribute(Qt::WA_TranslucentBackground);
}

QSize BalloonHint::textSize(const QString& text) const {
  const int widest = kMaxWidth - 2 * kMarginH;
  const QRect bounds = fontMetrics().boundingRect(QRect(0, 0, widest, 10000), Qt::TextWordWrap, text);
  return {std::min(bounds.width(), widest), bounds.height()};
}

void BalloonHint::showAt(const QString& text, const QPoint& pointer) {
  text_ = text;
  const QSize inner = textSize(text);
  const QSize body(inner.width() + 2 * kMarginH, inner.height() + 2 * kMarginV);
  const int shadowReach = kShadowOffset + kShadowBlur;
  const QSize total(body.width() + shadowReach, body.height() + kTailHeight + shadowReach);

  QScreen* screen = QGuiApplication::screenAt(pointer);
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1 << 15, 1 << 15);

  // Below the pointer if it fits on the screen, else above it.
  QPoint tip(pointer.x(), pointer.y() + kPointerClearance);
  pointsUp_ = tip.y() + total.height() <= area.bottom();
  if (!pointsUp_) tip.setY(pointer.y() - 2);
  int left = tip.x() - kTailOffset;
  left = std::clamp(left, area.left(), std::max(area.left(), area.right() - total.width()));
  const int top = pointsUp_ ? tip.y() : tip.y() - kTailHeight - body.height();
  const QRect frame(QPoint(left, top), total);

  body_ = QRect(QPoint(0, pointsUp_ ? kTailHeight : 0), body);
  tip_ = tip - frame.topLeft();
  tip_.setX(std::clamp(tip_.x(), kCornerRadius + kTailWidth / 2, body.width() - kCornerRadius - kTailWidth / 2));
  setGeometry(frame);
  if (!composited_ && screen != nullptr) backdrop_ = screen->grabWindow(0, frame.x() - screen->geometry().x(),
                                                                       frame.y() - screen->geometry().y(),
                                                                       frame.width(), frame.height());
  shadow_ = shadowImage(outline());
  show();
  raise();
  update();
}

QPainterPath BalloonHint::outline() const {
  const QRectF b = QRectF(body_).adjusted(0.5, 0.5, -0.5, -0.5);
  QPainterPath path;
  path.addRoundedRect(b, kCornerRadius, kCornerRadius);
  QPainterPath tail;
  const qreal half = kTailWidth / 2.0;
  if (pointsUp_) {
    tail.moveTo(tip_.x() - half, b.top() + 1);
    tail.lineTo(tip_.x(), 0.5);
    tail.lineTo(tip_.x() + half, b.top() + 1);
  } else {
    tail.moveTo(tip_.x() - half, b.bottom() - 1);
    tail.lineTo(tip_.x(), height() - (kShadowOffset + kShadowBlur) - 0.5);
    tail.lineTo(tip_.x() + half, b.bottom() - 1);
  }
  tail.closeSubpath();
  return path.united(tail);
}

QImage BalloonHint::shadowImage(const QPainterPath& shape) const {
  QImage image(size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.translate(kShadowOffset, kShadowOffset);
  painter.fillPath(shape, QColor(0, 0, 0, alphaFromTransparency(kShadowTransparencyPercent)));
  painter.end();
  QImage straight = image.convertToFormat(QImage::Format_ARGB32);
  blurAlpha(straight, kShadowBlur);
  return straight;
}

void BalloonHint::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!composited_) {
    if (!backdrop_.isNull()) painter.drawPixmap(0, 0, backdrop_);
    else painter.fillRect(rect(), palette().color(QPalette::Window));
  }
  painter.setRenderHint(QPainter::Antialiasing, true);
  const QPainterPath shape = outline();
  painter.drawImage(0, 0, shadow_);

  const SkinSection& hint = currentSkin().section(QStringLiteral("HINT"));
  QColor fill = hint.faceTop;
  fill.setAlpha(alphaFromTransparency(kTransparencyPercent));
  painter.fillPath(shape, fill);
  // A faint diagonal grain over the body.
  QColor grain = Qt::white;
  grain.setAlpha(255 * kTexturePercent / 100);
  painter.save();
  painter.setClipPath(shape);
  painter.setPen(QPen(grain, 1));
  for (int x = -height(); x < width(); x += 4) painter.drawLine(x, height(), x + height(), 0);
  painter.restore();
  // The bevel: a light line inside the upper edge.
  painter.setPen(QPen(QColor(255, 255, 255, 150), kBevel));
  painter.drawRoundedRect(QRectF(body_).adjusted(1.5, 1.5, -1.5, -1.5), kCornerRadius - 1, kCornerRadius - 1);
  painter.setPen(QPen(hint.border, 1));
  painter.drawPath(shape);

  painter.setPen(hint.text);
  painter.setFont(font());
  painter.drawText(body_.adjusted(kMarginH, kMarginV, -kMarginH, -kMarginV), Qt::TextWordWrap | Qt::AlignLeft, text_);
}
