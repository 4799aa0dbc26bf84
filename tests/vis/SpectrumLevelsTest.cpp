// The per-bin levels: how a magnitude becomes a level, how levels fall in silence, and which
// passes move them.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "vis/Drawings.h"
#include "vis/SpectrumLevels.h"
#include "vis/VisFrame.h"

namespace {

constexpr int32_t kSmallPanelHeight = 97;

uint32_t firstValue(uint32_t) { return 0; }

struct LevelOfCase {
  float magnitude;
  int32_t cap;
  int32_t level;
};

class LevelOfTest : public testing::TestWithParam<LevelOfCase> {};

TEST_P(LevelOfTest, ScalesTruncatesAndCaps) {
  EXPECT_EQ(LevelOf(GetParam().magnitude, GetParam().cap), GetParam().level);
}

INSTANTIATE_TEST_SUITE_P(
    Magnitudes, LevelOfTest,
    testing::Values(LevelOfCase{0.0f, 97, 0}, LevelOfCase{0.1f, 97, 50}, LevelOfCase{-0.1f, 97, 50},
                    LevelOfCase{0.0019f, 97, 0}, LevelOfCase{0.5f, 97, 97}, LevelOfCase{0.194f, 97, 97},
                    LevelOfCase{0.193f, 97, 96}, LevelOfCase{0.5f, 369, 250}, LevelOfCase{1e30f, 97, 97},
                    LevelOfCase{std::numeric_limits<float>::infinity(), 97, 97},
                    LevelOfCase{-std::numeric_limits<float>::infinity(), 97, 97},
                    LevelOfCase{std::numeric_limits<float>::quiet_NaN(), 97, 0}));

// Runs `passes` silent level updates of one bin that starts at full level and returns the
// levels after each.
std::vector<int32_t> silentFall(bool bar, int passes) {
  SpectrumSnapshot silence{};
  LevelArray peak{};
  LevelArray barLevels{};
  peak[5] = kSmallPanelHeight;
  barLevels[5] = kSmallPanelHeight;
  std::vector<int32_t> seen;
  for (int pass = 0; pass < passes; ++pass) {
    UpdateLevels(5, silence, kSmallPanelHeight, peak, barLevels);
    seen.push_back(bar ? barLevels[5] : peak[5]);
  }
  return seen;
}

TEST(LevelFallTest, PeakLevelTakesNinetySevenPassesToReachZero) {
  const std::vector<int32_t> seen = silentFall(false, 100);
  for (int pass = 0; pass < 100; ++pass) EXPECT_EQ(seen[pass], std::max(96 - pass, 0)) << "pass " << pass;
}

TEST(LevelFallTest, BarLevelFallsByThreeDipsBelowZeroOnceThenRests) {
  std::vector<int32_t> expected;
  for (int32_t level = 94; level >= -2; level -= 3) expected.push_back(level);
  expected.push_back(0);
  expected.push_back(0);
  EXPECT_EQ(silentFall(true, static_cast<int>(expected.size())), expected);
  EXPECT_EQ(expected.size(), 35u);  // 34 passes to rest at 0, and it stays there.
}

TEST(LevelFallTest, LouderSampleRaisesBothLevelsAtOnce) {
  SpectrumSnapshot spectrum{};
  LevelArray peak{};
  LevelArray bar{};
  peak[3] = 40;
  bar[3] = 10;
  spectrum[3] = 0.05f;  // level 25: above the bar level, below the peak level
  UpdateLevels(3, spectrum, kSmallPanelHeight, peak, bar);
  EXPECT_EQ(peak[3], 39);
  EXPECT_EQ(bar[3], 25);
}

using Drawing = void (*)(DrawingPass&);

struct DrawingCase {
  const char* name;
  int index;
  int pointMode;
};

class EveryDrawingTest : public testing::TestWithParam<DrawingCase> {
 protected:
  SpectrumSnapshot spectrum{};
  LevelArray peak{};
  LevelArray bar{};
  std::array<float, 3> stem{0.0f, 0.03f, 0.86f};
  VisFrame frame;

  void run(int index) {
    DrawingPass pass{spectrum, kSmallPanelHeight, peak, bar, stem, 1.0, GetParam().pointMode, &firstValue, frame};
    DrawByIndex(index, pass);
  }
};

TEST_P(EveryDrawingTest, UpdatesTheLevelsOfBinsZeroToOneTwentySevenOnly) {
  spectrum.fill(1.0f);
  peak[128] = -7;
  bar[128] = -7;
  run(GetParam().index);
  for (int bin = 0; bin < kDrawnBins; ++bin) {
    ASSERT_EQ(peak[bin], kSmallPanelHeight) << bin;
    ASSERT_EQ(bar[bin], kSmallPanelHeight) << bin;
  }
  EXPECT_EQ(peak[128], -7);
  EXPECT_EQ(bar[128], -7);
}

TEST_P(EveryDrawingTest, BinsAboveOneTwentySevenNeverChangeThePicture) {
  run(GetParam().index);
  const VisFrame silent = frame;
  frame.clear();
  peak.fill(0);
  bar.fill(0);
  for (int bin = kDrawnBins; bin < kSpectrumSize; ++bin) spectrum[bin] = 1.0f;
  run(GetParam().index);
  ASSERT_EQ(frame.vertices().size(), silent.vertices().size());
  for (std::size_t v = 0; v < frame.vertices().size(); ++v) {
    EXPECT_EQ(frame.vertices()[v].y, silent.vertices()[v].y);
    EXPECT_EQ(frame.vertices()[v].red, silent.vertices()[v].red);
  }
}

INSTANTIATE_TEST_SUITE_P(Drawings, EveryDrawingTest,
                         testing::Values(DrawingCase{"Effect1", 0, 0}, DrawingCase{"Effect2", 1, 0},
                                         DrawingCase{"Effect3", 2, 0}, DrawingCase{"Effect4", 3, 0},
                                         DrawingCase{"Effect5", 4, 0}, DrawingCase{"Effect6", 5, 0},
                                         DrawingCase{"NoGrafRays", 6, 0}, DrawingCase{"NoGrafPoints", 6, 1},
                                         DrawingCase{"NoGrafNeither", 6, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

class StrayIndexTest : public testing::TestWithParam<int> {};

TEST_P(StrayIndexTest, DrawsNothingAndFreezesTheLevels) {
  SpectrumSnapshot spectrum{};
  spectrum.fill(1.0f);
  LevelArray peak{};
  LevelArray bar{};
  peak.fill(30);
  bar.fill(-2);
  const std::array<float, 3> stem{};
  VisFrame frame;
  DrawingPass pass{spectrum, kSmallPanelHeight, peak, bar, stem, 1.0, 0, &firstValue, frame};
  DrawByIndex(GetParam(), pass);
  EXPECT_TRUE(frame.empty());
  for (int bin = 0; bin < kLevelCount; ++bin) {
    ASSERT_EQ(peak[bin], 30);
    ASSERT_EQ(bar[bin], -2);
  }
}

INSTANTIATE_TEST_SUITE_P(OutsideTheSeven, StrayIndexTest,
                         testing::Values(-1, 7, 8, 1000, std::numeric_limits<int>::min(),
                                         std::numeric_limits<int>::max()));

}  // namespace
