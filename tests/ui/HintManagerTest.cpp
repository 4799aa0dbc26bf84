// When balloon hints appear, move on, and go away.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QToolTip>

#include "skin/BalloonHint.h"
#include "skin/HintManager.h"

namespace {

// Lets the event loop run for a while, so that the manager's timers can fire.
void runEventsFor(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

class HintManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.setGeometry(100, 100, 300, 120);
    play = new QPushButton(QStringLiteral(">"), &window);
    play->setGeometry(10, 10, 40, 20);
    play->setToolTip(QStringLiteral("Play"));
    stop = new QPushButton(QStringLiteral("X"), &window);
    stop->setGeometry(60, 10, 40, 20);
    stop->setToolTip(QStringLiteral("Stop"));
    bare = new QLabel(QStringLiteral("no hint"), &window);
    bare->setGeometry(10, 60, 80, 20);
    panel = new QWidget(&window);
    panel->setGeometry(150, 10, 100, 80);
    panel->setToolTip(QStringLiteral("Graphick EQ"));
    inner = new QWidget(panel);
    inner->setGeometry(0, 0, 100, 80);
    hints = new TsHintManager(&window);
    window.show();
    QCoreApplication::processEvents();
  }

  // A pointer move over `widget`, as the window system delivers it.
  void moveOver(QWidget* widget, QPoint at = QPoint(5, 5), Qt::MouseButtons buttons = Qt::NoButton) {
    const QPointF global = widget->mapToGlobal(QPointF(at));
    QMouseEvent move(QEvent::MouseMove, QPointF(at), global, Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
  }

  QWidget window;
  QPushButton* play = nullptr;
  QPushButton* stop = nullptr;
  QLabel* bare = nullptr;
  QWidget* panel = nullptr;
  QWidget* inner = nullptr;
  TsHintManager* hints = nullptr;
};

TEST_F(HintManagerTest, AppearsAfterThePointerRestsAndGoesAwayLater) {
  moveOver(play);
  EXPECT_EQ(hints->pendingWidget(), play);
  EXPECT_EQ(hints->hintWidget(), nullptr);
  EXPECT_FALSE(hints->balloon()->isVisible());

  runEventsFor(TsHintManager::kShowDelayMs + 300);
  EXPECT_EQ(hints->hintWidget(), play);
  ASSERT_TRUE(hints->balloon()->isVisible());
  EXPECT_EQ(hints->balloon()->objectName(), QStringLiteral("BalloonHint"));
  EXPECT_EQ(hints->balloon()->text(), QStringLiteral("Play"));

  runEventsFor(TsHintManager::kHideDelayMs + 300);
  EXPECT_EQ(hints->hintWidget(), nullptr);
  EXPECT_FALSE(hints->balloon()->isVisible());

  // Moving on over the same control does not bring it back.
  moveOver(play, QPoint(8, 6));
  EXPECT_EQ(hints->pendingWidget(), nullptr);
}

TEST_F(HintManagerTest, MovesAtOnceToTheNextControlWhileShowing) {
  moveOver(play);
  runEventsFor(TsHintManager::kShowDelayMs + 300);
  ASSERT_EQ(hints->hintWidget(), play);
  moveOver(stop);
  EXPECT_EQ(hints->hintWidget(), stop);
  EXPECT_EQ(hints->balloon()->text(), QStringLiteral("Stop"));
}

TEST_F(HintManagerTest, WaitsAgainWhenNoHintIsShowing) {
  moveOver(play);
  moveOver(stop);
  EXPECT_EQ(hints->pendingWidget(), stop);
  EXPECT_EQ(hints->hintWidget(), nullptr);
}

TEST_F(HintManagerTest, LeavingForAPlaceWithoutHintTakesItDown) {
  moveOver(play);
  runEventsFor(TsHintManager::kShowDelayMs + 300);
  ASSERT_TRUE(hints->balloon()->isVisible());
  moveOver(bare);
  EXPECT_EQ(hints->hintWidget(), nullptr);
  EXPECT_FALSE(hints->balloon()->isVisible());
  EXPECT_EQ(hints->pendingWidget(), nullptr);
}

TEST_F(HintManagerTest, ClickCancelsAWaitingHint) {
  moveOver(play);
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), play->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(play, &press);
  EXPECT_EQ(hints->pendingWidget(), nullptr);
  runEventsFor(TsHintManager::kShowDelayMs + 300);
  EXPECT_EQ(hints->hintWidget(), nullptr);
}

TEST_F(HintManagerTest, DraggingShowsNoHint) {
  moveOver(play, QPoint(5, 5), Qt::LeftButton);
  EXPECT_EQ(hints->pendingWidget(), nullptr);
}

TEST_F(HintManagerTest, ChildWithoutHintShowsItsParentsHint) {
  EXPECT_EQ(hints->hintOwner(inner), panel);
  EXPECT_EQ(hints->hintOwner(bare), nullptr);
  moveOver(inner);
  EXPECT_EQ(hints->pendingWidget(), panel);
}

TEST_F(HintManagerTest, QtToolTipsAreReplaced) {
  QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), play->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(play, &help);
  QCoreApplication::processEvents();
  EXPECT_FALSE(QToolTip::isVisible());
}

TEST_F(HintManagerTest, BalloonWrapsLongTextWithinItsMaximumWidth) {
  play->setToolTip(QString(QStringLiteral("a long hint text ")).repeated(12));
  moveOver(play);
  runEventsFor(TsHintManager::kShowDelayMs + 300);
  ASSERT_TRUE(hints->balloon()->isVisible());
  EXPECT_LE(hints->balloon()->bodySize().width(), BalloonHint::kMaxWidth);
  EXPECT_GT(hints->balloon()->bodySize().height(), 3 * hints->balloon()->fontMetrics().height());
}

}  // namespace
