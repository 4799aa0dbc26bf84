#pragma once

// The spectrum that the drawings read and the two per-bin levels that every drawing pass
// updates: a level jumps up to a louder sample at once and falls by a fixed step per pass,
// the peak level by 1 and the bar level by 3. GUI thread only.

#include <array>
#include <cstdint>

inline constexpr int kSpectrumSize = 513;
inline constexpr int kLevelCount = 129;
// The drawings use the lowest 128 bins of the 512 magnitudes.
inline constexpr int kDrawnBins = 128;
// A magnitude is turned into level units by this factor.
inline constexpr double kLevelScale = 500.0;
inline constexpr int32_t kPeakFallPerPass = 1;
inline constexpr int32_t kBarFallPerPass = 3;

using SpectrumSnapshot = std::array<float, kSpectrumSize>;
using LevelArray = std::array<int32_t, kLevelCount>;

// The level of one magnitude: |magnitude| × 500 truncated, capped at `cap` (the height of the
// small panel in pixels). A NaN magnitude counts as silence and an infinite one as full.
int32_t LevelOf(float magnitude, int32_t cap);

// Runs the level update of bin `bin` (0..127) against the pass's snapshot.
void UpdateLevels(int bin, const SpectrumSnapshot& spectrum, int32_t panelHeight, LevelArray& peakLevels,
                  LevelArray& barLevels);
