#pragma once

// The spiral of DrawNoGraf. Bin k sits at the polar angle φ = arccos((2k − 1)/127 − 1) and the
// winding angle θ = √(360π)·φ, both in single precision; the direction to its end point is
// (sin φ cos θ, sin φ sin θ, cos φ sin θ), scaled by 5 and rounded to whole numbers, so it
// depends on the bin alone and is worked out once.

#include <array>
#include <cstdint>

struct SpiralDirection {
  int32_t x = 0;
  int32_t y = 0;
  int32_t z = 0;
};

struct SpiralPoint {
  float x = 0;
  float y = 0;
  float z = 0;
};

// The rounded direction of `bin` (0..127). Bin 0's cosine argument lies just below −1, where
// the arc cosine is undefined; it is taken as −1.
SpiralDirection SpiralDirectionOf(int bin);

// The end point of the ray of `bin` for bar level `barLevel`: each rounded component times
// 0.1 × 0.5 × barLevel, and x divided by `tangent` (the tangent of the gauge position).
SpiralPoint SpiralEnd(int bin, int32_t barLevel, double tangent);
