#include "ui/LetterKey.h"

#include <QChar>
#include <string_view>

namespace {

// The letters of a US keyboard by XKB keycode, from the first key of the top letter row;
// a dot marks the keys between the rows, which carry no letter.
constexpr uint32_t kFirstLetterKeycode = 24;
constexpr std::string_view kLettersByKeycode = "QWERTYUIOP....ASDFGHJKL.....ZXCVBNM";

// Qt numbers special keys (modifiers, function keys) from here on; below it, a key's code
// is the character it types.
constexpr int kFirstSpecialQtKey = 0x01000000;

bool isLatinLetter(int qtKey) { return qtKey >= 'A' && qtKey <= 'Z'; }

// A letter of another script, such as Cyrillic "Й".
bool isOtherLetter(int qtKey) {
  return qtKey > 0x7f && qtKey < kFirstSpecialQtKey && QChar::isLetter(static_cast<char32_t>(qtKey));
}

}  // namespace

int sequenceKeyCode(int qtKey, uint32_t scanCode) {
  if (isLatinLetter(qtKey) || !isOtherLetter(qtKey)) return qtKey;
  if (scanCode < kFirstLetterKeycode || scanCode - kFirstLetterKeycode >= kLettersByKeycode.size()) return qtKey;
  const char letter = kLettersByKeycode[scanCode - kFirstLetterKeycode];
  return letter == '.' ? qtKey : letter;
}
