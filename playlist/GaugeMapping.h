#pragma once

// How the transport panel's gauges map onto what they show: byte counts of any size onto the
// gauge's 32-bit range, and mouse positions and shares of the range onto gauge values.
// Pure functions; GUI thread, where the gauges live.

#include <cstdint>

// A gauge holds 32-bit signed values, but a stream may be longer than 2^31 bytes. Such a
// stream is shown at a coarser scale: every byte count is divided by the smallest power of two
// that brings the length into range, so the gauge still shows the right share, and a gauge
// value is multiplied back up before it is used as a byte position.
class GaugeByteScale {
 public:
  // The scale for a stream of `length` bytes; a length that fits (or an error, below 0) needs
  // none.
  static GaugeByteScale forLength(int64_t length);

  int shift() const { return shift_; }
  // The gauge value of a byte count; counts below 0 (errors) show as 0.
  int32_t toGauge(int64_t bytes) const;
  // The byte position that a gauge value stands for.
  int64_t toBytes(int32_t value) const;

 private:
  int shift_ = 0;
};

// The value under pixel `x` of a gauge `width` pixels wide that shows minimum..maximum:
// x × (maximum ÷ width), rounded to the nearest integer with an exact half going to the even
// neighbour, then clamped into minimum..maximum as the gauge clamps its progress. Positions
// left of the gauge, a gauge of no width and every other case that does not give a number
// land on the nearest end of the range.
int32_t gaugeValueAtPixel(int x, int width, int32_t minimum, int32_t maximum);

// The value nearest to `share` (0.0 to 1.0) of the way from minimum to maximum, an exact half
// going up (0.05 of ten steps is the first step, not silence); a share outside 0..1 or not a
// number lands on the nearest end as above. The media controls set the volume gauge's steps
// this way.
int32_t gaugeValueAtShare(double share, int32_t minimum, int32_t maximum);
