#pragma once

// The code that the hidden key sequences compare a key-down with. A letter key counts as its
// upper-case Latin letter on any keyboard layout, the way the desktop the sequences were made
// for numbers its keys. Qt reports a key of a Latin layout by its Latin letter already, but a
// key of a Cyrillic, Greek or other non-Latin layout by the letter it types; such a key is
// known by where it sits instead: the Latin letter of the same key on a US keyboard. GUI thread.

#include <cstdint>

// `qtKey` is the key's Qt code; `scanCode` is its native scan code, which on X11 and Wayland
// is the XKB keycode (the Linux input code + 8), and 0 where the platform gives none.
// Returns 'A' to 'Z' for a letter key, and `qtKey` unchanged for every other key.
int sequenceKeyCode(int qtKey, uint32_t scanCode);
