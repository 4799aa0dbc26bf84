#include "playlist/GaugeMapping.h"

#include <cmath>
#include <limits>

GaugeByteScale GaugeByteScale::forLength(int64_t length) {
  GaugeByteScale scale;
  while ((length >> scale.shift_) > std::numeric_limits<int32_t>::max()) ++scale.shift_;
  return scale;
}

int32_t GaugeByteScale::toGauge(int64_t bytes) const {
  if (bytes < 0) return 0;
  const int64_t scaled = bytes >> shift_;
  // A position read a moment after the length may lie beyond it; the gauge clamps it anyway.
  if (scaled > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(scaled);
}

int64_t GaugeByteScale::toBytes(int32_t value) const {
  return static_cast<int64_t>(value) * (int64_t{1} << shift_);
}

namespace {

// NaN fails both comparisons and ends at the minimum.
int32_t clampedToRange(double value, int32_t minimum, int32_t maximum) {
  if (!(value > minimum)) return minimum;
  if (value >= maximum) return maximum;
  return static_cast<int32_t>(value);
}

}  // namespace

int32_t gaugeValueAtPixel(int x, int width, int32_t minimum, int32_t maximum) {
  const double ratio = static_cast<double>(maximum) / static_cast<double>(width);
  // 0 × infinity on a gauge of no width gives NaN.
  return clampedToRange(std::nearbyint(static_cast<double>(x) * ratio), minimum, maximum);
}

int32_t gaugeValueAtShare(double share, int32_t minimum, int32_t maximum) {
  const double span = static_cast<double>(maximum) - static_cast<double>(minimum);
  // A share that a person or a desktop means as a half step (0.25, 0.35) may land a hair
  // below the half in binary; it still goes up.
  constexpr double kHalfStepTolerance = 1e-9;
  const double steps = std::floor(share * span + 0.5 + kHalfStepTolerance);
  return clampedToRange(static_cast<double>(minimum) + steps, minimum, maximum);
}
