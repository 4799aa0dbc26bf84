#pragma once

// The window of one balloon hint: a rounded body in the hint colour with a tail that points
// at the spot the hint is about, a soft shadow, and the hint text wrapped inside.

#include <QImage>
#include <QPixmap>
#include <QString>
#include <QWidget>

class BalloonHint : public QWidget {
  Q_OBJECT

 public:
  // The look of the balloon.
  static constexpr int kCornerRadius = 6;
  static constexpr int kBevel = 1;
  static constexpr int kTailOffset = 18;
  static constexpr int kTailHeight = 10;
  static constexpr int kTailWidth = 12;
  static constexpr int kTexturePercent = 6;
  static constexpr int kTransparencyPercent = 10;
  static constexpr int kShadowBlur = 8;
  static constexpr int kShadowOffset = 16;
  static constexpr int kShadowTransparencyPercent = 73;
  static constexpr int kMarginH = 6;
  static constexpr int kMarginV = 6;
  static constexpr int kMaxWidth = 240;

  explicit BalloonHint(QWidget* parent = nullptr);

  // Shows `text` with the tail's tip at `tip` (global coordinates), below the point when
  // the screen has room there and above it otherwise.
  void showAt(const QString& text, const QPoint& tip);
  QString text() const { return text_; }
  // Whether the body hangs below the tip (the tail points up).
  bool pointsUp() const { return pointsUp_; }
  // The size of the body alone, without tail and shadow.
  QSize bodySize() const { return body_.size(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QSize textSize(const QString& text) const;
  QPainterPath outline() const;
  QImage shadowImage(const QPainterPath& shape) const;

  QString text_;
  QRect body_;         // in widget coordinates
  QPoint tip_;         // in widget coordinates
  bool pointsUp_ = true;
  bool composited_ = false;
  QImage shadow_;
  QPixmap backdrop_;   // the screen under the balloon, where the desktop cannot blend
};
