#include "vis/DrawingStandstill.h"

#include <cstring>

void DrawingStandstill::passDrawn(const SpectrumSnapshot& spectrum, const LevelArray& peakLevels,
                                  const LevelArray& barLevels) {
  // Compared bit for bit: a NaN magnitude, equal to nothing by value, stands still like any other.
  const bool same = std::memcmp(spectrum.data(), spectrum_.data(), sizeof spectrum_) == 0 &&
                    peakLevels == peakLevels_ && barLevels == barLevels_;
  if (same) {
    if (stillPasses_ < kStillPasses) ++stillPasses_;
    return;
  }
  spectrum_ = spectrum;
  peakLevels_ = peakLevels;
  barLevels_ = barLevels;
  stillPasses_ = 0;
}
