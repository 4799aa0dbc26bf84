#include "vis/NoGrafSpiral.h"

#include <algorithm>
#include <cmath>

#include "vis/SpectrumLevels.h"

namespace {

// 360π, whose square root sets how fast the spiral winds: about 15.5 turns over the pass.
constexpr double kWindingSquare = 1130.9733552923255658;
constexpr double kRadius = 5;

SpiralDirection computeDirection(int bin) {
  const double cosine = std::max((2 * bin - 1) / 127.0 - 1.0, -1.0);
  const double polar = static_cast<float>(std::atan2(std::sqrt(1 - cosine * cosine), cosine));
  const double winding = static_cast<float>(std::sqrt(kWindingSquare) * polar);
  // std::nearbyint rounds half to even under the default rounding mode.
  auto rounded = [](double a, double b) { return static_cast<int32_t>(std::nearbyint(kRadius * a * b)); };
  return {rounded(std::sin(polar), std::cos(winding)), rounded(std::sin(polar), std::sin(winding)),
          rounded(std::cos(polar), std::sin(winding))};
}

const std::array<SpiralDirection, kDrawnBins>& directions() {
  static const std::array<SpiralDirection, kDrawnBins> table = [] {
    std::array<SpiralDirection, kDrawnBins> result{};
    for (int bin = 0; bin < kDrawnBins; ++bin) result[bin] = computeDirection(bin);
    return result;
  }();
  return table;
}

}  // namespace

SpiralDirection SpiralDirectionOf(int bin) { return directions()[bin]; }

SpiralPoint SpiralEnd(int bin, int32_t barLevel, double tangent) {
  const SpiralDirection& d = directions()[bin];
  return {static_cast<float>(d.x * 0.1 * 0.5 * barLevel / tangent), static_cast<float>(d.y * 0.1 * 0.5 * barLevel),
          static_cast<float>(d.z * 0.1 * 0.5 * barLevel)};
}
