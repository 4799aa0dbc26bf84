#pragma once

// Lets GoogleTest show the settings a test compares.

#include <ostream>

#include "settings/PlayerSettings.h"

inline void PrintTo(const PlayerSettings& s, std::ostream* out) {
  *out << "volume " << s.volume << " balance " << s.balance << " drawing " << s.drawing << " bands";
  for (int32_t band : s.bands) *out << ' ' << band;
  *out << " switches " << s.equalizerConnected << s.exitAtListEnd << s.randomEntry << s.repeatList;
}
