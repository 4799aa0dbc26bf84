#include "ui/KeySequences.h"

namespace {

// Typed with Ctrl held, and with Shift held.
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

}  // namespace

// A matching letter of either sequence advances the shared position for the other, and any
// Ctrl or Shift key-down that does not match sends it back to the first letter. With both held
// a key can complete only the first sequence, which leaves the position at its first letter
// for the second, so one key earns at most one message.
std::optional<QString> KeySequences::KeyDown(int key, Qt::KeyboardModifiers modifiers) {
  // Pressing Ctrl or Shift is itself a key-down with that modifier held; not every platform
  // reports the modifier with its own key.
  if (key == Qt::Key_Control) modifiers |= Qt::ControlModifier;
  if (key == Qt::Key_Shift) modifiers |= Qt::ShiftModifier;

  std::optional<QString> message;
  if (modifiers.testFlag(Qt::ControlModifier) && follow(kCtrlSequence, key)) message = QStringLiteral("ЭТО KORVANE");
  if (modifiers.testFlag(Qt::ShiftModifier) && follow(kShiftSequence, key)) message = QStringLiteral("ololololololo");
  return message;
}

bool KeySequences::follow(std::string_view letters, int key) {
  const Step step = compareKey(letters, index_, key);
  index_ = step == Step::Advanced ? index_ + 1 : 1;
  return step == Step::Completed;
}
