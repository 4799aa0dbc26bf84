// The window's key preview: every key-down in the window reaches the hidden key sequences
// once, whichever control has the focus, and the message box's own keys do not.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>

#include "app/TForm1.h"
#include "tests/app/StartedWindow.h"
#include "tests/support/TestFiles.h"

namespace {

constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
const QString kCtrlMessage = QStringLiteral("ЭТО KORVANE");

// Closes every message box the window opens and remembers its text. `onOpen` runs while
// the box is up, before it is closed.
class MessageBoxCloser {
 public:
  explicit MessageBoxCloser(std::function<void(QMessageBox*)> onOpen = {}) : onOpen_(std::move(onOpen)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { closeOpenBoxes(); });
    timer_.start(5);
  }
  QStringList texts;

 private:
  // The box is closed from a timer of its own, so that a box opened while `onOpen_` runs
  // is still seen and closed by the next tick.
  void closeOpenBoxes() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      if (box == nullptr || box->objectName() != QStringLiteral("MessageBox") || !box->isVisible()) continue;
      if (box->property("seenByTest").toBool()) continue;
      box->setProperty("seenByTest", true);
      texts << box->text();
      QTimer::singleShot(0, box, [this, box] {
        if (onOpen_) onOpen_(box);
        box->accept();
      });
    }
  }

  std::function<void(QMessageBox*)> onOpen_;
  QTimer timer_;
};

class KeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form.FormCreate();
    timerOf(form, "Timer4").stop();
    form.show();
  }

  void typeWithCtrl(const char* letters, QWidget* on = nullptr) {
    for (const char* letter = letters; *letter != '\0'; ++letter) {
      QKeyEvent press(QEvent::KeyPress, *letter, kCtrl);
      QApplication::sendEvent(on != nullptr ? on : &form, &press);
    }
  }

  TempFolder folder;
  TForm1 form{folder.path()};
};

TEST_F(KeysTest, KeyPressesOnTheWindowReachTheSequence) {
  MessageBoxCloser closer;
  typeWithCtrl("QAZU");
  EXPECT_EQ(closer.texts, QStringList{kCtrlMessage});
}

// A key that the focused control ignores travels up to its parents; the window's key
// preview must still count it once.
TEST_F(KeysTest, KeyPressesOnAControlCountOnce) {
  MessageBoxCloser closer;
  QWidget& list = part<QWidget>(form, "ListBox1");
  list.setFocus();
  typeWithCtrl("QAZU", &list);
  EXPECT_EQ(closer.texts, QStringList{kCtrlMessage});
}

TEST_F(KeysTest, KeysTypedIntoTheMessageBoxDoNotCount) {
  // A Ctrl+Q typed into the box would start the sequence anew if it reached the window, and
  // the three letters typed after the box would then complete it a second time.
  MessageBoxCloser closer([](QMessageBox* box) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Q, kCtrl);
    QApplication::sendEvent(box, &press);
  });
  typeWithCtrl("QAZU");
  typeWithCtrl("AZU");
  EXPECT_EQ(closer.texts, QStringList{kCtrlMessage});
}

}  // namespace
