#pragma once

// The state that the spectrum drawings share for the whole run: the latest spectrum, two
// per-bin levels that rise at once and fall slowly, and the colour of the bars. The playback
// tick fills the spectrum and hands the drawing chosen on the "Graph EQ" page to
// DrawSpectrum, which runs it over this state into a frame. Plain C++, no Qt; GUI thread
// only.

#include <array>
#include <cstdint>

#include "vis/Drawings.h"
#include "vis/SpectrumLevels.h"

class VisFrame;

// What a drawing reads from the window besides this state.
struct WindowReadings {
  // The height of the small panel in pixels, whichever panel shows the picture.
  int32_t panelHeight = 0;
  // The position gauge's value.
  double position = 0;
  // The index of the "1"/"2" radio group: rays or points in DrawNoGraf.
  int pointMode = 0;
};

class SpectrumState {
 public:
  // `randomBelow` is the shared generator, which the colour and DrawNoGraf draw from.
  explicit SpectrumState(RandomBelowFunction randomBelow);

  // Draws the colour of the bars: red, green and blue in this order, each the generator's next
  // value below 100, in hundredths.
  void DrawStemColour();

  // Runs drawing `index` (0..6) on a copy of SpectrumBuffer, moving the levels and recording
  // into `frame`. Any other index, −1 for no choice, draws nothing and leaves the levels alone.
  void DrawSpectrum(int index, const WindowReadings& readings, VisFrame& frame);

  // The tick writes the magnitudes of a 1024-sample FFT into slots 0..511; the last slot stays
  // 0, and the drawings read bins 0..127.
  SpectrumSnapshot SpectrumBuffer{};
  std::array<float, 3> StemColour{};
  // Start at 0; nothing but a drawing pass moves them, not a change of drawing, track or a stop.
  LevelArray PeakLevels{};
  LevelArray BarLevels{};

 private:
  RandomBelowFunction randomBelow_;
};
