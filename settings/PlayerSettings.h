#pragma once

// The player's settings: the seventeen values of Config.ini that survive a restart, read
// once at start and written once at exit. Nothing else is kept here: the effect switches and
// sliders, the window's state and the playlist (which has its own file) are not saved.
// GUI thread only, like the file it reads and writes.

#include <array>
#include <cstddef>
#include <cstdint>

class IniFile;

struct PlayerSettings {
  static constexpr size_t kBandCount = 10;

  // The members, in the order of the file, hold what a load from an empty file gives.
  // The volume bar: 0..10.
  int32_t volume = 2;
  // The balance slider: -5 (left) to 5 (right).
  int32_t balance = 0;
  // The chosen drawing: 0..6, or -1 for none.
  int32_t drawing = 5;
  // The equaliser bands from 80 Hz to 14 kHz: 0..7 dB.
  std::array<int32_t, kBandCount> bands = {7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
  // The equaliser's "connect" and the three end-of-list rules.
  bool equalizerConnected = false;
  bool exitAtListEnd = false;
  bool randomEntry = false;
  bool repeatList = false;

  bool operator==(const PlayerSettings&) const = default;

  // Reads every value, limited to the range of the control that shows it; a missing key, or a
  // value that is no number, gives the key's default. Reading never fails.
  static PlayerSettings load(IniFile& file);
  // Writes the seventeen keys in file order, one write each, so that a write that cannot be
  // done raises IniWriteError at its key and leaves the later keys unwritten.
  void save(IniFile& file) const;
};
