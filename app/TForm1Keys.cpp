#include <string_view>

#include "app/ErrorBox.h"
#include "app/TForm1.h"

namespace {

// Typed with Ctrl held, and with Shift held. The key preview passes a letter key as the code
// of its upper-case Latin letter (ui/LetterKey.h), with or without Shift or Caps Lock and on
// any layout, and no other key has such a code.
constexpr std::string_view kCtrlSequence = "QAZU";
constexpr std::string_view kShiftSequence = "QUIVER";

enum class Step { Reset, Advanced, Completed };

// Compares `key` with the letter of `letters` at the 1-based `position`; a position past the
// end has no letter and matches nothing.
Step compareKey(std::string_view letters, int32_t position, int key) {
  const bool inside = position >= 1 && static_cast<size_t>(position) <= letters.size();
  if (!inside || key != letters[static_cast<size_t>(position - 1)]) return Step::Reset;
  return static_cast<size_t>(position) == letters.size() ? Step::Completed : Step::Advanced;
}

// Moves the shared position along `letters` for one key-down; on the last letter shows
// `message` and, once the box is closed, starts over.
void followSequence(TForm1& form, std::string_view letters, const QString& message, int key) {
  switch (compareKey(letters, form.KeySequenceIndex, key)) {
    case Step::Completed:
      showMessage(&form, message);
      form.KeySequenceIndex = 1;
      break;
    case Step::Advanced:
      ++form.KeySequenceIndex;
      break;
    case Step::Reset:
      form.KeySequenceIndex = 1;
      break;
  }
}

}  // namespace

// Both sequences share one position: a matching letter of either advances it for the other,
// and any Ctrl or Shift key-down that does not match sends it back to the first letter.
void TForm1::FormKeyDown(int key, Qt::KeyboardModifiers shift) {
  // Pressing Ctrl or Shift is itself a key-down with that modifier held; not every
  // platform reports the modifier with its own key.
  if (key == Qt::Key_Control) shift |= Qt::ControlModifier;
  if (key == Qt::Key_Shift) shift |= Qt::ShiftModifier;

  if (shift.testFlag(Qt::ControlModifier)) followSequence(*this, kCtrlSequence, QStringLiteral("ЭТО KORVANE"), key);
  if (shift.testFlag(Qt::ShiftModifier)) followSequence(*this, kShiftSequence, QStringLiteral("ololololololo"), key);
}
