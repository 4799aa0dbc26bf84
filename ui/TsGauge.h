#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

// A horizontal gauge drawn by the skin: a bar filled in proportion to its progress, with the
// percentage and a suffix written over it. It doubles as an input: every mouse move over it
// is reported with the buttons held, so a handler can turn a drag into a value. GUI thread.
class TsGauge : public QWidget {
  Q_OBJECT
  Q_PROPERTY(int minValue READ minValue WRITE setMinValue)
  Q_PROPERTY(int maxValue READ maxValue WRITE setMaxValue)
  Q_PROPERTY(int progress READ progress WRITE setProgress NOTIFY progressChanged)
  Q_PROPERTY(QString suffix READ suffix WRITE setSuffix)
  Q_PROPERTY(QColor foreColor READ foreColor WRITE setForeColor)
  Q_PROPERTY(QString skinSection READ skinSection WRITE setSkinSection)

 public:
  explicit TsGauge(QWidget* parent = nullptr);

  int MinValue() const { return min_; }
  int MaxValue() const { return max_; }
  int Progress() const { return progress_; }
  int minValue() const { return min_; }
  int maxValue() const { return max_; }
  int progress() const { return progress_; }
  QString suffix() const { return suffix_; }
  QColor foreColor() const { return foreColor_; }
  QString skinSection() const { return skinSection_; }

  // (progress - min) * 100 / (max - min), truncated toward zero; 0 for an empty range.
  int Percent() const;
  // The text drawn over the bar: the percentage followed by the suffix.
  QString text() const;

  // A minimum above the maximum is refused; a progress below the new minimum is raised.
  void setMinValue(int value);
  // A maximum below the minimum is refused; a progress above the new maximum is lowered.
  void setMaxValue(int value);
  // Clamped into min..max. A progress that changes, here or through a new minimum or maximum,
  // is announced by progressChanged.
  void setProgress(int value);
  void setSuffix(const QString& suffix);
  void setForeColor(const QColor& color);
  void setSkinSection(const QString& section);

  QSize sizeHint() const override;

 signals:
  // Every pointer movement over the gauge, with the buttons held and the position in pixels
  // relative to the gauge. Presses and releases without movement are not reported.
  void MouseMove(Qt::MouseButtons buttons, int x, int y);
  void progressChanged(int progress);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  // Takes `progress` (within min..max) and announces it when it differs from the one before.
  void takeProgress(int progress);
  // Repaints when the percentage shown differs from the one last drawn.
  void refreshIfPercentChanged();

  int min_ = 0;
  int max_ = 100;
  int progress_ = 0;
  int shownPercent_ = 0;
  QString suffix_ = QStringLiteral("%");
  QColor foreColor_ = Qt::black;
  QString skinSection_ = QStringLiteral("GAUGE");
};
