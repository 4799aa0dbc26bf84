// What each drawing records for silence and for full level, checked against the pictures the
// drawings are meant to give on the 97-pixel panel (x and y from −30 to 30 at z = 0).
#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <numbers>
#include <vector>

#include "vis/Drawings.h"
#include "vis/NoGrafSpiral.h"
#include "vis/VisFrame.h"

namespace {

constexpr int32_t kSmallPanelHeight = 97;
// A gauge position whose tangent is 1 to within a rounding step.
constexpr double kUnitTangentPosition = std::numbers::pi / 4;

// Stands in for the shared generator: hands out scripted values (0 once they run out) and
// counts the draws.
struct ScriptedRandom {
  static inline std::deque<uint32_t> values;
  static inline int draws = 0;
  static inline uint32_t lastLimit = 0;
  static uint32_t next(uint32_t limit) {
    ++draws;
    lastLimit = limit;
    if (values.empty()) return 0;
    const uint32_t value = values.front();
    values.pop_front();
    return value;
  }
  static void restart() {
    values.clear();
    draws = 0;
    lastLimit = 0;
  }
};

enum class Loudness { Silence, Full };

struct PassInputs {
  SpectrumSnapshot spectrum{};
  LevelArray peak{};
  LevelArray bar{};
  std::array<float, 3> stem{0.0f, 0.03f, 0.86f};
  double position = kUnitTangentPosition;
  int pointMode = 0;
  VisFrame frame;

  explicit PassInputs(Loudness loudness = Loudness::Silence) {
    ScriptedRandom::restart();
    if (loudness == Loudness::Full) spectrum.fill(1.0f);
  }

  void run(void (*drawing)(DrawingPass&)) {
    DrawingPass pass{spectrum, kSmallPanelHeight, peak, bar, stem, position, pointMode, &ScriptedRandom::next, frame};
    drawing(pass);
  }
};

void expectVertex(const RecordedVertex& v, double x, double y, double z, const char* what) {
  EXPECT_FLOAT_EQ(v.x, static_cast<float>(x)) << what;
  EXPECT_FLOAT_EQ(v.y, static_cast<float>(y)) << what;
  EXPECT_FLOAT_EQ(v.z, static_cast<float>(z)) << what;
}

void expectColour(const RecordedVertex& v, double red, double green, double blue, const char* what) {
  EXPECT_FLOAT_EQ(v.red, static_cast<float>(red)) << what;
  EXPECT_FLOAT_EQ(v.green, static_cast<float>(green)) << what;
  EXPECT_FLOAT_EQ(v.blue, static_cast<float>(blue)) << what;
}

// --- The mirrored dash drawings. ---

struct DashCase {
  const char* name;
  void (*drawing)(DrawingPass&);
  std::vector<double> silentHeights;
  std::vector<double> fullHeights;
};

class DashDrawingTest : public testing::TestWithParam<DashCase> {
 protected:
  // Each bin is one line primitive: for the right column then the left one, one dash per
  // height, each running from the column half a unit to the left; all in the given colour.
  static void expectDashes(const VisFrame& frame, const std::vector<double>& heights, double red, double green) {
    ASSERT_EQ(frame.primitives().size(), 128u);
    for (int bin = 0; bin < 128; ++bin) {
      const RecordedPrimitive& primitive = frame.primitives()[bin];
      SCOPED_TRACE(testing::Message() << "bin " << bin);
      EXPECT_EQ(primitive.kind, PrimitiveKind::Lines);
      EXPECT_EQ(primitive.size, 1.0f);
      EXPECT_TRUE(primitive.smooth);
      ASSERT_EQ(primitive.count, 4 * heights.size());
      const RecordedVertex* v = &frame.vertices()[primitive.first];
      for (double column : {-2 + 0.4 * bin, -2 - 0.4 * bin}) {
        for (double y : heights) {
          expectVertex(*v, column, y, 0, "dash start");
          expectColour(*v++, red, green, 0, "dash start");
          expectVertex(*v, column - 0.5, y, 0, "dash end");
          expectColour(*v++, red, green, 0, "dash end");
        }
      }
    }
  }
};

TEST_P(DashDrawingTest, SilenceGivesBlackDashesAtTheRestingHeight) {
  PassInputs inputs;
  inputs.run(GetParam().drawing);
  expectDashes(inputs.frame, GetParam().silentHeights, 0, 0);
}

TEST_P(DashDrawingTest, FullLevelGivesRedAndHalfGreenDashesAtTheFullHeight) {
  PassInputs inputs(Loudness::Full);
  inputs.run(GetParam().drawing);
  expectDashes(inputs.frame, GetParam().fullHeights, 0.97, 0.485);
}

INSTANTIATE_TEST_SUITE_P(
    Drawings, DashDrawingTest,
    testing::Values(DashCase{"Effect1", DrawEffect1, {-97.0 / 7, 97.0 / 7}, {0, 0}},
                    DashCase{"Effect3", DrawEffect3, {-92.0 / 7, 92.0 / 7}, {5.0 / 7, -5.0 / 7}},
                    DashCase{"Effect4", DrawEffect4, {-18.4}, {1}}, DashCase{"Effect5", DrawEffect5, {-23}, {1.25}},
                    DashCase{"Effect6", DrawEffect6, {23}, {-1.25}}),
    [](const auto& info) { return std::string(info.param.name); });

// Effect 1 follows the bar level, the others the peak level: with a falling bar level of 47
// and peak level of 79, Effect 1 sits at ±(97 − 47)/7 and Effect 3 at ±(92 − 79)/7, both in
// the colour (0.47, 0.395, 0).
TEST(DashLevelTest, EffectOneFollowsTheBarLevelAndEffectThreeThePeakLevel) {
  using Drawing = void (*)(DrawingPass&);
  for (auto [drawing, height] : {std::pair<Drawing, double>{DrawEffect1, 50.0 / 7}, {DrawEffect3, 13.0 / 7}}) {
    PassInputs inputs;
    inputs.peak[10] = 80;
    inputs.bar[10] = 50;
    inputs.run(drawing);
    const RecordedPrimitive& primitive = inputs.frame.primitives()[10];
    const RecordedVertex* v = &inputs.frame.vertices()[primitive.first];
    expectVertex(v[0], 2, -height, 0, "lower dash");
    expectVertex(v[2], 2, height, 0, "upper dash");
    expectColour(v[0], 0.47, 0.395, 0, "level colour");
  }
}

// A column is on the panel when part of its dash lies strictly inside x = −30..30.
TEST(DashColumnsTest, RightHalfShowsBinsToEightyOneAndLeftHalfToSixtyNine) {
  PassInputs inputs;
  inputs.run(DrawEffect1);
  int lastRight = -1;
  int lastLeft = -1;
  for (int bin = 0; bin < 128; ++bin) {
    const RecordedVertex* v = &inputs.frame.vertices()[inputs.frame.primitives()[bin].first];
    if (v[0].x > -30 && v[1].x < 30) lastRight = bin;
    if (v[4].x > -30 && v[5].x < 30) lastLeft = bin;
  }
  EXPECT_EQ(lastRight, 81);
  EXPECT_EQ(lastLeft, 69);
}

// --- Bars with peak caps. ---

TEST(BarDrawingTest, SilenceGivesShortStemColouredBarsUnderBlackCaps) {
  PassInputs inputs;
  inputs.run(DrawEffect2);
  ASSERT_EQ(inputs.frame.primitives().size(), 128u);
  for (int bin = 0; bin < 128; ++bin) {
    SCOPED_TRACE(testing::Message() << "bin " << bin);
    const RecordedPrimitive& primitive = inputs.frame.primitives()[bin];
    EXPECT_EQ(primitive.kind, PrimitiveKind::Lines);
    EXPECT_EQ(primitive.size, 2.0f);
    EXPECT_TRUE(primitive.smooth);
    ASSERT_EQ(primitive.count, 4u);
    const RecordedVertex* v = &inputs.frame.vertices()[primitive.first];
    const double x = bin / 2.0 - 24;
    expectVertex(v[0], x, -22, 0, "bar foot");
    expectVertex(v[1], x, -20, 0, "bar top");
    expectVertex(v[2], x, -20, 0, "cap foot");
    expectVertex(v[3], x, -19, 0, "cap top");
    expectColour(v[0], 0.0, 0.03, 0.86, "bar");
    expectColour(v[1], 0.0, 0.03, 0.86, "bar");
    expectColour(v[2], 0, 0, 0, "cap");
    expectColour(v[3], 0, 0, 0, "cap");
  }
}

TEST(BarDrawingTest, FullLevelRaisesTheBarToFourAndAQuarterAndTheCapToTheTop) {
  PassInputs inputs(Loudness::Full);
  inputs.run(DrawEffect2);
  for (int bin = 0; bin < 128; ++bin) {
    SCOPED_TRACE(testing::Message() << "bin " << bin);
    const RecordedVertex* v = &inputs.frame.vertices()[inputs.frame.primitives()[bin].first];
    const double x = bin / 2.0 - 24;
    expectVertex(v[1], x, 4.25, 0, "bar top");
    expectVertex(v[2], x, 28.5, 0, "cap foot");
    expectVertex(v[3], x, 29.5, 0, "cap top");
    expectColour(v[2], 0.97, 0.485, 0, "cap");
  }
}

TEST(BarDrawingTest, BarsAboveBinOneHundredEightFallOffTheRightEdge) {
  PassInputs inputs;
  inputs.run(DrawEffect2);
  for (int bin = 0; bin < 128; ++bin) {
    const float x = inputs.frame.vertices()[inputs.frame.primitives()[bin].first].x;
    EXPECT_EQ(x <= 30, bin <= 108) << "bin " << bin;
  }
}

TEST(BarDrawingTest, BarLevelBelowZeroGivesNoRedInsteadOfANegativeColour) {
  PassInputs inputs;
  inputs.bar[0] = 1;  // falls to −2 in this pass
  inputs.run(DrawEffect2);
  const RecordedVertex* v = &inputs.frame.vertices()[inputs.frame.primitives()[0].first];
  expectVertex(v[1], -24, -20.5, 0, "bar top at level −2");
  EXPECT_EQ(v[2].red, 0.0f);
}

// --- The spiral. ---

TEST(SpiralTest, BinSixtyFourPointsAlongMinusFourThreeZero) {
  const SpiralDirection d = SpiralDirectionOf(64);
  EXPECT_EQ(d.x, -4);
  EXPECT_EQ(d.y, 3);
  EXPECT_EQ(d.z, 0);
}

TEST(SpiralTest, EveryBinHasAFiniteDirectionWithinTheRadius) {
  for (int bin = 0; bin < 128; ++bin) {
    const SpiralDirection d = SpiralDirectionOf(bin);
    EXPECT_LE(std::abs(d.x), 5) << bin;
    EXPECT_LE(std::abs(d.y), 5) << bin;
    EXPECT_LE(std::abs(d.z), 5) << bin;
  }
  // Bin 0 is taken at the pole, where the direction has no sideways part.
  EXPECT_EQ(SpiralDirectionOf(0).x, 0);
  EXPECT_EQ(SpiralDirectionOf(0).y, 0);
}

// Bin 64 with a bar level of 20 and a peak level of 50 (sample 0.041, peak falling from 51).
PassInputs binSixtyFourInputs(int pointMode) {
  PassInputs inputs;
  inputs.spectrum[64] = 0.041f;
  inputs.peak[64] = 51;
  inputs.pointMode = pointMode;
  return inputs;
}

TEST(NoGrafTest, RayOfBinSixtyFourRunsFromTheOriginToMinusFourThreeZero) {
  PassInputs inputs = binSixtyFourInputs(0);
  ScriptedRandom::values.assign(128, 0);
  ScriptedRandom::values.push_back(200);  // bin 64: green draw
  ScriptedRandom::values.push_back(100);  // bin 64: red draw
  inputs.run(DrawNoGraf);
  ASSERT_EQ(inputs.frame.primitives().size(), 128u);
  const RecordedPrimitive& primitive = inputs.frame.primitives()[64];
  EXPECT_EQ(primitive.kind, PrimitiveKind::Lines);
  EXPECT_EQ(primitive.size, 1.0f);
  EXPECT_TRUE(primitive.smooth);
  ASSERT_EQ(primitive.count, 2u);
  const RecordedVertex* v = &inputs.frame.vertices()[primitive.first];
  expectVertex(v[0], 0, 0, 0, "ray start");
  expectVertex(v[1], -4, 3, 0, "ray end");
  // green = 200/100 × 50/100 = 1, red = 100/100 × 50/100 = 0.5
  expectColour(v[1], 0.5, 1.0, 0, "ray colour");
}

TEST(NoGrafTest, PointOfBinSixtyFourWithPeakFiftySitsHalfwayAlongTheRay) {
  PassInputs inputs = binSixtyFourInputs(1);
  inputs.run(DrawNoGraf);
  const RecordedPrimitive& primitive = inputs.frame.primitives()[64];
  EXPECT_EQ(primitive.kind, PrimitiveKind::Points);
  EXPECT_EQ(primitive.size, 2.0f);
  ASSERT_EQ(primitive.count, 1u);
  expectVertex(inputs.frame.vertices()[primitive.first], -2, 1.5, 0, "point");
}

TEST(NoGrafTest, ColourDrawsGreenThenRedAndSaturates) {
  PassInputs inputs(Loudness::Full);
  ScriptedRandom::values = {255, 40};
  inputs.run(DrawNoGraf);
  const RecordedVertex& v = inputs.frame.vertices()[inputs.frame.primitives()[0].first];
  // p = 97: green 2.55 × 0.97 saturates, red 0.40 × 0.97.
  expectColour(v, 0.4 * 0.97, 1.0, 0, "bin 0");
}

struct ModeCase {
  int pointMode;
  double position;
  int draws;
  std::size_t vertices;
};

class NoGrafModeTest : public testing::TestWithParam<ModeCase> {};

TEST_P(NoGrafModeTest, DrawsTwoColoursPerShownBinAndSkipsVerticesItCannotPlace) {
  PassInputs inputs(Loudness::Full);
  inputs.pointMode = GetParam().pointMode;
  inputs.position = GetParam().position;
  inputs.run(DrawNoGraf);
  EXPECT_EQ(ScriptedRandom::draws, GetParam().draws);
  if (GetParam().draws > 0) {
    EXPECT_EQ(ScriptedRandom::lastLimit, 256u);
  }
  EXPECT_EQ(inputs.frame.vertices().size(), GetParam().vertices);
  for (const RecordedVertex& v : inputs.frame.vertices()) {
    ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, NoGrafModeTest,
                         testing::Values(ModeCase{0, kUnitTangentPosition, 256, 256},
                                         ModeCase{1, kUnitTangentPosition, 256, 128},
                                         ModeCase{2, kUnitTangentPosition, 0, 0}, ModeCase{-1, kUnitTangentPosition, 0, 0},
                                         ModeCase{0, 0.0, 256, 0}, ModeCase{1, 0.0, 256, 0}));

TEST(NoGrafTest, FullLevelRaysStayWithinAQuarterOfTheLevelAndBetweenTheClipPlanes) {
  PassInputs inputs(Loudness::Full);
  inputs.position = 12345;
  const double tangent = std::tan(12345.0);
  inputs.run(DrawNoGraf);
  for (const RecordedVertex& v : inputs.frame.vertices()) {
    EXPECT_LE(std::abs(v.x * tangent), 97 / 4.0 + 1e-4);
    EXPECT_LE(std::abs(v.y), 24.25f);
    EXPECT_LE(std::abs(v.z), 24.25f);
  }
}

TEST(NoGrafTest, BarLevelZeroGivesAZeroLengthRayAtTheOrigin) {
  PassInputs inputs;
  inputs.run(DrawNoGraf);
  for (const RecordedVertex& v : inputs.frame.vertices()) {
    EXPECT_EQ(v.x, 0.0f);
    EXPECT_EQ(v.y, 0.0f);
    EXPECT_EQ(v.z, 0.0f);
  }
}

// --- The dispatcher. ---

TEST(DispatchTest, EachIndexRunsItsOwnDrawing) {
  const std::array<void (*)(DrawingPass&), 7> drawings = {DrawEffect1, DrawEffect2, DrawEffect3, DrawEffect4,
                                                          DrawEffect5, DrawEffect6, DrawNoGraf};
  for (int index = 0; index < 7; ++index) {
    PassInputs direct(Loudness::Full);
    direct.run(drawings[index]);
    PassInputs dispatched(Loudness::Full);
    DrawingPass pass{dispatched.spectrum, kSmallPanelHeight, dispatched.peak, dispatched.bar,
                     dispatched.stem,     dispatched.position, 0, &ScriptedRandom::next, dispatched.frame};
    DrawByIndex(index, pass);
    ASSERT_EQ(dispatched.frame.vertices().size(), direct.frame.vertices().size()) << index;
    for (std::size_t v = 0; v < direct.frame.vertices().size(); ++v) {
      ASSERT_EQ(dispatched.frame.vertices()[v].y, direct.frame.vertices()[v].y) << index;
    }
  }
}

}  // namespace
