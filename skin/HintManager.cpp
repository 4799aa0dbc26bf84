#include "skin/HintManager.h"

#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QWidget>

#include "skin/BalloonHint.h"

TsHintManager::TsHintManager(QWidget* window) : QObject(window), window_(window) {
  setObjectName(QStringLiteral("sHintManager1"));
  balloon_ = new BalloonHint(window);
  showTimer_.setSingleShot(true);
  showTimer_.setInterval(kShowDelayMs);
  hideTimer_.setSingleShot(true);
  hideTimer_.setInterval(kHideDelayMs);
  connect(&showTimer_, &QTimer::timeout, this, &TsHintManager::showHint);
  connect(&hideTimer_, &QTimer::timeout, this, &TsHintManager::hideHint);
  qApp->installEventFilter(this);
}

TsHintManager::~TsHintManager() {
  if (qApp != nullptr) qApp->removeEventFilter(this);
}

QWidget* TsHintManager::hintWidget() const { return showing_ ? owner_.data() : nullptr; }

QWidget* TsHintManager::pendingWidget() const { return showTimer_.isActive() ? owner_.data() : nullptr; }

QWidget* TsHintManager::hintOwner(QWidget* widget) const {
  for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
    if (!w->toolTip().isEmpty()) return w;
    if (w == window_) break;
  }
  return nullptr;
}

bool TsHintManager::belongsToWindow(const QWidget* widget) const {
  return window_ != nullptr && widget != nullptr && widget != balloon_ &&
         (widget == window_ || window_->isAncestorOf(widget));
}

bool TsHintManager::eventFilter(QObject* watched, QEvent* event) {
  if (!watched->isWidgetType()) return QObject::eventFilter(watched, event);
  auto* widget = static_cast<QWidget*>(watched);
  switch (event->type()) {
    case QEvent::ToolTip:
      // The balloons replace Qt's own tool tips for this window.
      return belongsToWindow(widget);
    case QEvent::MouseMove: {
      if (!belongsToWindow(widget)) break;
      const auto* move = static_cast<QMouseEvent*>(event);
      if (move->buttons() != Qt::NoButton) break;
      // The event may come up from a child; the control under the pointer is what counts.
      QWidget* top = widget->window();
      const QPoint global = move->globalPosition().toPoint();
      QWidget* under = top->childAt(top->mapFromGlobal(global));
      pointerMoved(under != nullptr ? under : top, global);
      break;
    }
    case QEvent::Leave:
      if (widget == window_) {
        cancel();
        owner_ = nullptr;
      }
      break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::Wheel:
      if (belongsToWindow(widget)) cancel();
      break;
    case QEvent::WindowDeactivate:
    case QEvent::Hide:
      if (widget == window_) {
        cancel();
        owner_ = nullptr;
      }
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

void TsHintManager::pointerMoved(QWidget* under, const QPoint& globalPos) {
  pointer_ = globalPos;
  QWidget* owner = hintOwner(under);
  if (owner == owner_) {
    // Still over the same control: a waiting hint waits for the pointer to rest.
    if (showTimer_.isActive()) showTimer_.start();
    return;
  }
  const bool wasShowing = showing_;
  owner_ = owner;
  showTimer_.stop();
  if (owner == nullptr) {
    hideHint();
    return;
  }
  if (wasShowing) showHint();
  else showTimer_.start();
}

void TsHintManager::showHint() {
  showTimer_.stop();
  if (owner_ == nullptr || balloon_ == nullptr || !owner_->isVisible()) {
    hideHint();
    return;
  }
  balloon_->showAt(owner_->toolTip(), pointer_);
  showing_ = true;
  hideTimer_.start();
}

void TsHintManager::hideHint() {
  hideTimer_.stop();
  showing_ = false;
  if (balloon_ != nullptr) balloon_->hide();
}

void TsHintManager::cancel() {
  showTimer_.stop();
  hideHint();
}
