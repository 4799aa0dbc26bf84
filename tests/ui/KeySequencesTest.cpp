// The two hidden key sequences and their shared position, key-down by key-down.
#include "ui/KeySequences.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <vector>

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

struct SequenceCase {
  const char* name;
  std::vector<Key> keys;
  QStringList messages;
  int32_t finalIndex;
};

TEST(KeySequences, SequencesShareOnePosition) {
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
      {"both held can finish the Ctrl sequence", typed("QAZ", kCtrl) + typed("U", kBoth), {kCtrlMessage}, 1},
  };
  for (const SequenceCase& sequence : cases) {
    SCOPED_TRACE(sequence.name);
    // A fresh position, as the window has it from its start.
    KeySequences sequences;
    QStringList shown;
    for (const Key& key : sequence.keys) {
      if (const std::optional<QString> message = sequences.KeyDown(key.code, key.modifiers)) shown << *message;
    }
    EXPECT_EQ(shown, sequence.messages);
    EXPECT_EQ(sequences.KeySequenceIndex(), sequence.finalIndex);
  }
}

}  // namespace
