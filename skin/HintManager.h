#pragma once

// The hint manager shows the hints of one window as balloons instead of Qt's tool tips.
// A control's hint is its toolTip; a control without one shows its parent's. The hint
// appears when the pointer has rested over the control for kShowDelayMs, at once when the
// pointer moves on to another control with a hint while one is showing, and goes away
// after kHideDelayMs, when the pointer leaves for a place without a hint, or on a click,
// key press or wheel turn. A hint that went away is not shown again until the pointer has
// moved on to another control.

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>

#include "skin/BalloonHint.h"
class QWidget;

class TsHintManager : public QObject {
  Q_OBJECT

 public:
  static constexpr int kShowDelayMs = 500;
  static constexpr int kHideDelayMs = 2500;

  // Serves `window` and everything in it; the manager is a child of the window.
  explicit TsHintManager(QWidget* window);
  ~TsHintManager() override;

  // The control whose hint is showing, or null.
  QWidget* hintWidget() const;
  // The control whose hint waits for the pointer to rest, or null.
  QWidget* pendingWidget() const;
  BalloonHint* balloon() const { return balloon_; }

  // The control whose hint applies at `widget`: itself or its nearest ancestor inside the
  // window with a non-empty toolTip; null when there is none.
  QWidget* hintOwner(QWidget* widget) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void pointerMoved(QWidget* under, const QPoint& globalPos);
  void showHint();
  void hideHint();
  void cancel();
  bool belongsToWindow(const QWidget* widget) const;

  QPointer<QWidget> window_;
  QPointer<QWidget> owner_;  // the control the pointer is over, as far as hints go
  QPointer<BalloonHint> balloon_;
  QPoint pointer_;
  bool showing_ = false;
  QTimer showTimer_;
  QTimer hideTimer_;
};
