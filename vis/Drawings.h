#pragma once

// The seven spectrum drawings. Each call is one pass over bins 0..127: it updates the shared
// levels of each bin and records that bin's primitive into the frame, in the camera space of
// the surface (x and y from −30 to 30 visible at z = 0, x = 30 at the right edge, y = 30 at
// the top). GUI thread only.

#include <array>
#include <cstdint>

#include "vis/SpectrumLevels.h"

class VisFrame;

// The shared generator's draw of a value below n; the drawings take it from the caller so that
// they do not depend on the window's module.
using RandomBelowFunction = uint32_t (*)(uint32_t);

// The dispatcher hands every drawing these two offsets.
inline constexpr int kBaseX = -10;
inline constexpr int kBaseY = -5;
inline constexpr int kDrawingCount = 7;

// Everything one pass reads and writes.
struct DrawingPass {
  // The pass's own copy of the spectrum.
  const SpectrumSnapshot& spectrum;
  // The height of the small panel in pixels, whichever panel shows the picture.
  int32_t panelHeight;
  LevelArray& peakLevels;
  LevelArray& barLevels;
  // The colour of the bars of DrawEffect2.
  const std::array<float, 3>& stemColour;
  // The position gauge's value, read by DrawNoGraf as an angle in radians.
  double position;
  // The index of the "1"/"2" radio group: rays (0) or points (1) in DrawNoGraf.
  int pointMode;
  RandomBelowFunction randomBelow;
  VisFrame& frame;
  int baseX = kBaseX;
  int baseY = kBaseY;
};

void DrawEffect1(DrawingPass& pass);
void DrawEffect2(DrawingPass& pass);
void DrawEffect3(DrawingPass& pass);
void DrawEffect4(DrawingPass& pass);
void DrawEffect5(DrawingPass& pass);
void DrawEffect6(DrawingPass& pass);
void DrawNoGraf(DrawingPass& pass);

// Runs drawing `index` (0..6: DrawEffect1..DrawEffect6, DrawNoGraf). Any other index, −1 for
// no choice among them, draws nothing and leaves the levels alone.
void DrawByIndex(int index, DrawingPass& pass);
