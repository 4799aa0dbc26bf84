#pragma once

#include <QSlider>
#include <QString>

// A track bar drawn by the skin. Its position is value(). Vertical track bars have their
// minimum at the top, and the up key moves the thumb up, toward the minimum. GUI thread.
class TsTrackBar : public QSlider {
  Q_OBJECT
  Q_PROPERTY(int thumbLength READ thumbLength WRITE setThumbLength)
  Q_PROPERTY(QString skinSection READ skinSection WRITE setSkinSection)

 public:
  explicit TsTrackBar(QWidget* parent = nullptr);

  // The size of the thumb across the track, in pixels; its size along the track follows.
  int thumbLength() const { return thumbLength_; }
  void setThumbLength(int length);
  QString skinSection() const { return skinSection_; }
  void setSkinSection(const QString& section);

 protected:
  bool event(QEvent* event) override;

 private:
  void followOrientation();

  int thumbLength_ = 20;
  QString skinSection_ = QStringLiteral("TRACKBAR");
};
