// The two hidden key sequences, driven through FormKeyDown as the window's key preview does.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QMessageBox>
#include <QTimer>
#include <vector>

#include "app/TForm1.h"
#include "tests/support/TestFiles.h"
#include "ui_TForm1.h"

namespace {

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
const Qt::KeyboardModifiers kBoth = Qt::ControlModifier | Qt::ShiftModifier;

const QString kCtrlMessage = QStringLiteral("ЭТО KORVANE");
const QString kShiftMessage = QStringLiteral("ololololololo");

struct Key {
  int code;
  Qt::KeyboardModifiers modifiers;
};

std::vector<Key> typed(const char* letters, Qt::KeyboardModifiers modifiers) {
  std::vector<Key> keys;
  for (const char* letter = letters; *letter != '\0'; ++letter) keys.push_back({*letter, modifiers});
  return keys;
}

std::vector<Key> operator+(std::vector<Key> first, const std::vector<Key>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

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

struct SequenceCase {
  const char* name;
  std::vector<Key> keys;
  QStringList messages;
  int32_t finalIndex;
};

class KeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form.FormCreate();
    form.Timer4->stop();
    form.show();
  }

  QStringList press(const std::vector<Key>& keys) {
    MessageBoxCloser closer;
    for (const Key& key : keys) form.FormKeyDown(key.code, key.modifiers);
    return closer.texts;
  }

  TempFolder folder;
  TForm1 form{folder.path()};
};

TEST_F(KeysTest, SequencesShareOnePosition) {
  const Key ctrlDown{Qt::Key_Control, kCtrl};
  const Key shiftDown{Qt::Key_Shift, kShift};
  const std::vector<SequenceCase> cases = {
      {"Ctrl sequence", typed("QAZU", kCtrl), {kCtrlMessage}, 1},
      {"Shift sequence", typed("QUIVER", kShift), {kShiftMessage}, 1},
      {"each completion shows again", typed("QAZUQAZU", kCtrl), {kCtrlMessage, kCtrlMessage}, 1},
      {"progress stops one short", typed("QAZ", kCtrl), {}, 4},
      {"a wrong letter is not tried as the first one", typed("QAQAZU", kCtrl), {}, 1},
      {"no modifier leaves the position alone",
       typed("QA", kCtrl) + std::vector<Key>{{'X', kNone}, {Qt::Key_Space, kNone}} + typed("ZU", kCtrl), {kCtrlMessage}, 1},
      {"pressing Ctrl again starts over", typed("QA", kCtrl) + std::vector<Key>{ctrlDown} + typed("ZU", kCtrl), {}, 1},
      {"Ctrl reported without its own flag still starts over",
       typed("QA", kCtrl) + std::vector<Key>{{Qt::Key_Control, kNone}} + typed("ZU", kCtrl), {}, 1},
      {"pressing Shift again starts over", typed("QUI", kShift) + std::vector<Key>{shiftDown}, {}, 1},
      {"a Shift letter advances the Ctrl sequence", typed("Q", kShift) + typed("AZU", kCtrl), {kCtrlMessage}, 1},
      {"Ctrl letters advance the Shift sequence", typed("Q", kCtrl) + typed("UIVER", kShift), {kShiftMessage}, 1},
      {"past the Ctrl sequence any Ctrl key starts over", typed("QUIV", kShift) + typed("U", kCtrl), {}, 1},
      {"both held: Ctrl advances, Shift then resets", typed("Q", kBoth), {}, 1},
      {"both held: Ctrl resets, Shift then advances", typed("QUI", kShift) + typed("Q", kBoth), {}, 2},
      {"both held cannot finish the Shift sequence", typed("QUIVE", kShift) + typed("R", kBoth), {}, 1},
  };
  for (const SequenceCase& sequence : cases) {
    SCOPED_TRACE(sequence.name);
    form.KeySequenceIndex = 1;
    EXPECT_EQ(press(sequence.keys), sequence.messages);
    EXPECT_EQ(form.KeySequenceIndex, sequence.finalIndex);
  }
}

TEST_F(KeysTest, KeyPressesOnTheWindowReachTheSequence) {
  MessageBoxCloser closer;
  for (char letter : {'Q', 'A', 'Z', 'U'}) {
    QKeyEvent press(QEvent::KeyPress, letter, kCtrl);
    QApplication::sendEvent(&form, &press);
  }
  EXPECT_EQ(closer.texts, QStringList{kCtrlMessage});
}

// A key that the focused control ignores travels up to its parents; the window's key
// preview must still count it once.
TEST_F(KeysTest, KeyPressesOnAControlCountOnce) {
  MessageBoxCloser closer;
  form.ui->ListBox1->setFocus();
  for (char letter : {'Q', 'A', 'Z', 'U'}) {
    QKeyEvent press(QEvent::KeyPress, letter, kCtrl);
    QApplication::sendEvent(form.ui->ListBox1, &press);
  }
  EXPECT_EQ(closer.texts, QStringList{kCtrlMessage});
}

TEST_F(KeysTest, KeysTypedIntoTheMessageBoxDoNotCount) {
  // A Ctrl+U typed into the box would complete the sequence a second time if it reached
  // the window, and would open a second box inside the first.
  MessageBoxCloser closer([](QMessageBox* box) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_U, kCtrl);
    QApplication::sendEvent(box, &press);
  });
  form.KeySequenceIndex = 4;
  form.FormKeyDown(Qt::Key_U, kCtrl);
  EXPECT_EQ(closer.texts, QStringList{kCtrlMessage});
  EXPECT_EQ(form.KeySequenceIndex, 1);
}

}  // namespace
