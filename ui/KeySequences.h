#pragma once

// The two hidden key sequences: "QAZU" typed with Ctrl held, and "QUIVER" typed with Shift
// held, each earn a message. Both share one position, KeySequenceIndex, which starts at the
// first letter. The window hands every key-down to it and shows what comes back. Qt Core
// only, no widgets; GUI thread only.

#include <QString>
#include <QtCore/qnamespace.h>
#include <cstdint>
#include <optional>
#include <string_view>

class KeySequences {
 public:
  // Follows one key-down. `key` is the key's code as the key preview gives it (a letter key as
  // the code of its upper-case Latin letter, ui/LetterKey.h) and `modifiers` the modifiers
  // held. Returns the message to show when the key completes a sequence; the position is then
  // back at the first letter. A key with neither Ctrl nor Shift held changes nothing.
  std::optional<QString> KeyDown(int key, Qt::KeyboardModifiers modifiers);

  // The 1-based position, within either sequence, of the letter expected next: 1 to 6.
  int32_t KeySequenceIndex() const { return index_; }

 private:
  // Moves the position along `letters` for one key-down; true when the key completed them.
  bool follow(std::string_view letters, int key);

  int32_t index_ = 1;
};
