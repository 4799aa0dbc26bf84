#include "vis/SpectrumLevels.h"

#include <cmath>

int32_t LevelOf(float magnitude, int32_t cap) {
  const double scaled = std::fabs(static_cast<double>(magnitude)) * kLevelScale;
  if (std::isnan(scaled)) return 0;
  // Comparing before converting keeps huge and infinite magnitudes out of the integer range.
  if (scaled > cap) return cap;
  return static_cast<int32_t>(scaled);
}

void UpdateLevels(int bin, const SpectrumSnapshot& spectrum, int32_t panelHeight, LevelArray& peakLevels,
                  LevelArray& barLevels) {
  const int32_t level = LevelOf(spectrum[bin], panelHeight);
  int32_t& peak = peakLevels[bin];
  int32_t& bar = barLevels[bin];
  peak = level >= peak ? level : peak - kPeakFallPerPass;
  bar = level >= bar ? level : bar - kBarFallPerPass;
}
