// What each drawing records for silence and for full level, checked against the pictures the
// drawings are meant to give on the 97-pixel panel (x and y from −30 to 30 at z = 0). Each
// drawing is reached through the dispatcher's index, so the table also checks the dispatch.
#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <numbers>
#include <vector>

#include "vis/Drawings.h"
#include "vis/VisFrame.h"

namespace {

// Stands in for the shared generator: scripted values (then 0), counted.
std::deque<uint32_t> scripted;
int draws = 0;
uint32_t scriptedDraw(uint32_t limit) {
  ++draws;
  EXPECT_EQ(limit, 256u);
  const uint32_t value = scripted.empty() ? 0 : scripted.front();
  if (!scripted.empty()) scripted.pop_front();
  return value;
}

struct Pass {
  SpectrumSnapshot spectrum{};
  LevelArray peak{};
  LevelArray bar{};
  std::array<float, 3> stem{0.0f, 0.03f, 0.86f};
  double position = std::numbers::pi / 4;  // tangent 1
  VisFrame frame;

  explicit Pass(float everyBin = 0) {
    spectrum.fill(everyBin);
    scripted.clear();
    draws = 0;
  }
  const RecordedVertex* bin(int b) const { return &frame.vertices()[frame.primitives()[b].first]; }
  void run(int index, int pointMode = 0) {
    DrawingPass pass{spectrum, 97, peak, bar, stem, position, pointMode, &scriptedDraw, frame};
    DrawByIndex(index, pass);
  }
};

void expectVertex(const RecordedVertex& v, double x, double y, double z = 0) {
  EXPECT_FLOAT_EQ(v.x, static_cast<float>(x));
  EXPECT_FLOAT_EQ(v.y, static_cast<float>(y));
  EXPECT_FLOAT_EQ(v.z, static_cast<float>(z));
}

void expectColour(const RecordedVertex& v, double red, double green, double blue) {
  EXPECT_FLOAT_EQ(v.red, static_cast<float>(red));
  EXPECT_FLOAT_EQ(v.green, static_cast<float>(green));
  EXPECT_FLOAT_EQ(v.blue, static_cast<float>(blue));
}

struct DashCase {
  int index;
  float sample;
  std::vector<double> heights;
};

class DashDrawingTest : public testing::TestWithParam<DashCase> {};

// Per bin one smooth line primitive of width 1: for the right column (−2 + 0.4·bin) and then
// the left one (−2 − 0.4·bin), a dash per height from the column half a unit leftwards, in
// the level colour (black in silence, (0.97, 0.485, 0) at full level).
TEST_P(DashDrawingTest, DashesSitAtTheirHeightsInTheLevelColour) {
  Pass pass(GetParam().sample);
  pass.run(GetParam().index);
  const double level = GetParam().sample > 0 ? 0.97 : 0;
  ASSERT_EQ(pass.frame.primitives().size(), 128u);
  for (int bin = 0; bin < 128; ++bin) {
    SCOPED_TRACE(testing::Message() << "bin " << bin);
    const RecordedPrimitive& primitive = pass.frame.primitives()[bin];
    EXPECT_EQ(primitive.kind, PrimitiveKind::Lines);
    EXPECT_EQ(primitive.size, 1.0f);
    EXPECT_TRUE(primitive.smooth);
    ASSERT_EQ(primitive.count, 4 * GetParam().heights.size());
    const RecordedVertex* v = pass.bin(bin);
    for (double column : {-2 + 0.4 * bin, -2 - 0.4 * bin}) {
      for (double y : GetParam().heights) {
        expectVertex(*v, column, y);
        expectColour(*v++, level, level / 2, 0);
        expectVertex(*v, column - 0.5, y);
        expectColour(*v++, level, level / 2, 0);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    SilenceAndFullLevel, DashDrawingTest,
    testing::Values(DashCase{0, 0, {-97.0 / 7, 97.0 / 7}}, DashCase{0, 1, {0, 0}},
                    DashCase{2, 0, {-92.0 / 7, 92.0 / 7}}, DashCase{2, 1, {5.0 / 7, -5.0 / 7}},
                    DashCase{3, 0, {-18.4}}, DashCase{3, 1, {1}}, DashCase{4, 0, {-23}}, DashCase{4, 1, {1.25}},
                    DashCase{5, 0, {23}}, DashCase{5, 1, {-1.25}}),
    [](const auto& info) {
      return "Effect" + std::to_string(info.param.index + 1) + (info.param.sample > 0 ? "Full" : "Silence");
    });

TEST(DashLevelTest, EffectOneFollowsTheBarLevelAndTheOthersThePeakLevel) {
  // Falling levels: bar 50 → 47, peak 80 → 79; colour (0.47, 0.395, 0).
  for (auto [index, height] : std::vector<std::pair<int, double>>{{0, 50.0 / 7}, {2, 13.0 / 7}, {3, 13.0 / 5}}) {
    Pass pass;
    pass.peak[10] = 80;
    pass.bar[10] = 50;
    pass.run(index);
    expectVertex(pass.bin(10)[0], 2, -height);
    expectColour(pass.bin(10)[0], 0.47, 0.395, 0);
  }
}

TEST(DashLevelTest, RightHalfShowsBinsToEightyOneAndLeftHalfToSixtyNine) {
  Pass pass;
  pass.run(0);
  int lastRight = -1;
  int lastLeft = -1;
  for (int bin = 0; bin < 128; ++bin) {
    const RecordedVertex* v = pass.bin(bin);
    if (v[0].x > -30 && v[1].x < 30) lastRight = bin;  // part of the dash strictly inside
    if (v[4].x > -30 && v[5].x < 30) lastLeft = bin;
  }
  EXPECT_EQ(lastRight, 81);
  EXPECT_EQ(lastLeft, 69);
}

// Per bin a smooth line primitive of width 2 at x = bin/2 − 24: the stem from −22 up to
// −20 + b/4 in the stem colour, then the cap from p/2 − 20 to p/2 − 19 in the level colour.
TEST(BarDrawingTest, StemsAndCapsInSilenceAndAtFullLevel) {
  for (auto [sample, stemTop, capFoot, level] :
       std::vector<std::tuple<float, double, double, double>>{{0, -20, -20, 0}, {1, 4.25, 28.5, 0.97}}) {
    Pass pass(sample);
    pass.run(1);
    for (int bin = 0; bin < 128; ++bin) {
      SCOPED_TRACE(testing::Message() << "bin " << bin << " sample " << sample);
      EXPECT_EQ(pass.frame.primitives()[bin].size, 2.0f);
      ASSERT_EQ(pass.frame.primitives()[bin].count, 4u);
      const RecordedVertex* v = pass.bin(bin);
      const double x = bin / 2.0 - 24;
      expectVertex(v[0], x, -22);
      expectVertex(v[1], x, stemTop);
      expectVertex(v[2], x, capFoot);
      expectVertex(v[3], x, capFoot + 1);
      expectColour(v[1], 0.0, 0.03, 0.86);
      expectColour(v[3], level, level / 2, 0);
    }
  }
}

TEST(BarDrawingTest, BarLevelBelowZeroLowersTheStemAndGivesNoRed) {
  Pass pass;
  pass.bar[0] = 1;  // falls to −2 in this pass
  pass.run(1);
  expectVertex(pass.bin(0)[1], -24, -20.5);
  EXPECT_EQ(pass.bin(0)[2].red, 0.0f);
}

// Bin 64 with bar level 20 (sample 0.041) and peak level 50 (falling from 51): the ray ends
// at (−4, 3, 0) and the point lies halfway, at (−2, 1.5, 0). Colour draws: green, then red.
TEST(NoGrafTest, BinSixtyFourRayAndPoint) {
  for (int mode : {0, 1}) {
    Pass pass;
    pass.spectrum[64] = 0.041f;
    pass.peak[64] = 51;
    scripted.assign(128, 0);
    scripted.insert(scripted.end(), {200, 100});
    pass.run(6, mode);
    const RecordedPrimitive& primitive = pass.frame.primitives()[64];
    EXPECT_EQ(primitive.kind, mode == 0 ? PrimitiveKind::Lines : PrimitiveKind::Points);
    EXPECT_EQ(primitive.size, mode == 0 ? 1.0f : 2.0f);
    ASSERT_EQ(primitive.count, mode == 0 ? 2u : 1u);
    const RecordedVertex* v = pass.bin(64);
    if (mode == 0) expectVertex(*v++, 0, 0, 0);
    expectVertex(*v, mode == 0 ? -4 : -2, mode == 0 ? 3 : 1.5, 0);
    // green = 200/100 × 50/100 = 1, red = 100/100 × 50/100 = 0.5
    expectColour(*v, 0.5, 1.0, 0);
  }
}

// Bin 10 lies off the equator of the spiral: t = 19/127 − 1, φ ≈ 2.5875, θ ≈ 87.018, so the
// rounded products are 2, −2 and 3 (z = 5 cos φ sin θ ≈ 3.45). With bar level 20 the ray ends
// at (2, −2, 3), and the point at peak level 50 halfway along it.
TEST(NoGrafTest, BinTenRayLeavesThePlane) {
  for (int mode : {0, 1}) {
    Pass pass;
    pass.spectrum[10] = 0.041f;
    pass.peak[10] = 51;
    pass.run(6, mode);
    const RecordedVertex* v = pass.bin(10);
    if (mode == 0) expectVertex(*v++, 0, 0, 0);
    const double share = mode == 0 ? 1 : 0.5;
    expectVertex(*v, 2 * share, -2 * share, 3 * share);
  }
}

// Two draws per bin in both modes, none in any other; with a tangent of 0 no vertex can be
// placed. Every vertex is finite, and a ray reaches at most a quarter of the bar level.
TEST(NoGrafTest, DrawsAndVerticesByModeAndPosition) {
  for (auto [mode, position, expectedDraws, vertices] :
       std::vector<std::tuple<int, double, int, std::size_t>>{
           {0, 12345, 256, 256}, {1, 12345, 256, 128}, {2, 12345, 0, 0}, {-1, 12345, 0, 0}, {0, 0, 256, 0},
           {1, 0, 256, 0}}) {
    Pass pass(1);
    pass.position = position;
    pass.run(6, mode);
    EXPECT_EQ(draws, expectedDraws) << mode << " " << position;
    EXPECT_EQ(pass.frame.vertices().size(), vertices) << mode << " " << position;
    for (const RecordedVertex& v : pass.frame.vertices()) {
      EXPECT_LE(std::abs(v.x * std::tan(position)), 97 / 4.0 + 1e-4);
      EXPECT_LE(std::abs(v.y), 24.25f);
      EXPECT_LE(std::abs(v.z), 24.25f);
    }
  }
}

}  // namespace
