// How a magnitude becomes a level, how the levels fall in silence, and which of the spectrum
// state's passes move them.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "vis/SpectrumState.h"
#include "vis/VisFrame.h"

namespace {

uint32_t zeroDraw(uint32_t) { return 0; }

TEST(LevelTest, MagnitudeTimesFiveHundredTruncatedAndCapped) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const std::vector<std::tuple<float, int32_t, int32_t>> cases = {
      {0.0f, 97, 0},    {0.1f, 97, 50},  {-0.1f, 97, 50},  {0.0019f, 97, 0},   {0.193f, 97, 96},
      {0.194f, 97, 97}, {0.5f, 97, 97},  {0.5f, 369, 250}, {kInf, 97, 97},     {-kInf, 97, 97},
      {1e30f, 97, 97},  {std::numeric_limits<float>::quiet_NaN(), 97, 0}};
  for (auto [magnitude, cap, level] : cases) EXPECT_EQ(LevelOf(magnitude, cap), level) << magnitude << " " << cap;
}

TEST(LevelTest, InSilencePeakFallsByOneAndBarByThreeDippingToMinusTwoOnce) {
  SpectrumSnapshot silence{};
  LevelArray peak{};
  LevelArray bar{};
  peak[5] = bar[5] = 97;
  std::vector<int32_t> peaks;
  std::vector<int32_t> bars;
  for (int pass = 0; pass < 99; ++pass) {
    UpdateLevels(5, silence, 97, peak, bar);
    peaks.push_back(peak[5]);
    bars.push_back(bar[5]);
  }
  for (int pass = 0; pass < 99; ++pass) EXPECT_EQ(peaks[pass], std::max(96 - pass, 0)) << pass;
  // 94, 91, ..., 1, −2, then back to 0 on the 34th pass, and there it stays.
  for (int pass = 0; pass < 33; ++pass) EXPECT_EQ(bars[pass], 94 - 3 * pass) << pass;
  for (int pass = 33; pass < 99; ++pass) EXPECT_EQ(bars[pass], 0) << pass;
}

TEST(LevelTest, EveryDrawingUpdatesBinsZeroToOneTwentySevenAndNoOtherIndexDoes) {
  for (auto [index, mode] : std::vector<std::pair<int, int>>{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0},
                                                             {6, 0}, {6, 1}, {6, 2}}) {
    SpectrumState state(&zeroDraw);
    state.SpectrumBuffer.fill(1.0f);
    state.PeakLevels[128] = state.BarLevels[128] = -7;
    VisFrame frame;
    state.DrawSpectrum(index, {97, 1.0, mode}, frame);
    EXPECT_EQ(state.PeakLevels[127], 97) << index;
    EXPECT_EQ(state.BarLevels[0], 97) << index;
    EXPECT_EQ(state.PeakLevels[128], -7) << index;
    EXPECT_EQ(frame.primitives().size(), mode == 2 ? 0u : 128u) << index;
  }
  for (int stray : {-1, 7, 1000, std::numeric_limits<int>::min()}) {
    SpectrumState state(&zeroDraw);
    state.SpectrumBuffer.fill(1.0f);
    state.PeakLevels.fill(30);
    state.BarLevels.fill(-2);
    VisFrame frame;
    state.DrawSpectrum(stray, {97, 1.0, 0}, frame);
    EXPECT_TRUE(frame.empty()) << stray;
    EXPECT_EQ(state.PeakLevels[0], 30) << stray;
    EXPECT_EQ(state.BarLevels[127], -2) << stray;
  }
}

}  // namespace
