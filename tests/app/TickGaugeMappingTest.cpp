#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "playlist/GaugeMapping.h"

namespace {

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int64_t kGiB = int64_t{1} << 30;

struct PixelCase {
  const char* what;
  int x;
  int width;
  int32_t maximum;
  int32_t value;
};

class GaugeValueAtPixelTest : public ::testing::TestWithParam<PixelCase> {};

TEST_P(GaugeValueAtPixelTest, MapsThePointerOntoTheRange) {
  const PixelCase& c = GetParam();
  EXPECT_EQ(gaugeValueAtPixel(c.x, c.width, 0, c.maximum), c.value) << c.what;
}

const PixelCase kPixelCases[] = {
    {"volume 36 of 73 px is 4.93", 36, 73, 10, 5},
    {"left edge", 0, 73, 10, 0},
    {"right edge", 73, 73, 10, 10},
    {"past the right edge stops at the maximum", 500, 73, 10, 10},
    {"left of the gauge stops at the minimum", -7, 73, 10, 0},
    {"2.5 goes down to the even 2", 1, 4, 10, 2},
    {"7.5 goes up to the even 8", 3, 4, 10, 8},
    {"0.5 goes down to 0", 1, 20, 10, 0},
    {"1.5 goes up to 2", 3, 20, 10, 2},
    {"a gauge with nothing to show", 50, 100, 0, 0},
    {"no width, at the origin", 0, 0, 10, 0},
    {"no width, right of it", 3, 0, 10, 10},
    {"the whole 32-bit range", 300, 300, kInt32Max, kInt32Max},
    {"a byte gauge half way", 150, 300, 1000000, 500000},
};

INSTANTIATE_TEST_SUITE_P(Table, GaugeValueAtPixelTest, ::testing::ValuesIn(kPixelCases));

TEST(GaugeByteScale, LeavesLengthsThatFitUnscaled) {
  for (int64_t length : {int64_t{-1}, int64_t{0}, int64_t{44100 * 4}, int64_t{kInt32Max}}) {
    const GaugeByteScale scale = GaugeByteScale::forLength(length);
    EXPECT_EQ(scale.shift(), 0) << length;
    EXPECT_EQ(scale.toBytes(scale.toGauge(12345)), 12345) << length;
  }
}

TEST(GaugeByteScale, BringsLongStreamsIntoTheGaugeRangeWithTheSmallestPowerOfTwo) {
  struct Case {
    int64_t length;
    int shift;
  };
  for (const Case c : {Case{int64_t{kInt32Max} + 1, 1}, Case{3 * kGiB, 1}, Case{4 * kGiB, 2},
                       Case{(int64_t{1} << 33) + 5, 3},
                       Case{std::numeric_limits<int64_t>::max(), 32}}) {
    const GaugeByteScale scale = GaugeByteScale::forLength(c.length);
    EXPECT_EQ(scale.shift(), c.shift) << c.length;
    const int32_t maximum = scale.toGauge(c.length);
    EXPECT_GE(maximum, 0) << c.length;
    EXPECT_GT(maximum, kInt32Max / 2) << "the range is not wasted: " << c.length;
  }
}

TEST(GaugeByteScale, ShowsTheRightShareOfALongStream) {
  const int64_t length = 6 * kGiB + 1234;
  const GaugeByteScale scale = GaugeByteScale::forLength(length);
  const double maximum = scale.toGauge(length);
  for (double share : {0.0, 0.1, 0.5, 0.999, 1.0}) {
    const auto position = static_cast<int64_t>(share * static_cast<double>(length));
    EXPECT_NEAR(scale.toGauge(position) / maximum, share, 1e-8) << share;
  }
  EXPECT_EQ(scale.toGauge(-1), 0);
  EXPECT_EQ(scale.toGauge(std::numeric_limits<int64_t>::max()), kInt32Max);
}

TEST(GaugeByteScale, SeekingLandsWhereThePointerIs) {
  const int64_t length = 5 * kGiB + 77;
  const GaugeByteScale scale = GaugeByteScale::forLength(length);
  const int32_t maximum = scale.toGauge(length);
  constexpr int kWidth = 250;
  for (int x : {0, 1, 50, 125, 249}) {
    const int64_t bytes = scale.toBytes(gaugeValueAtPixel(x, kWidth, 0, maximum));
    const double expected = static_cast<double>(x) / kWidth * static_cast<double>(length);
    EXPECT_NEAR(static_cast<double>(bytes), expected, 2.0 * (int64_t{1} << scale.shift())) << x;
    EXPECT_LT(bytes, length) << x;
  }
}

TEST(GaugeByteScale, TheRightEdgeNeverLiesBeyondTheEnd) {
  // The track ignores seeks at or past the end, so the far right of the gauge must not name
  // a byte beyond the stream; exactly at its end is ignored like an unscaled gauge's maximum.
  for (int64_t length : {int64_t{kInt32Max} + 1, int64_t{kInt32Max} + 2, 3 * kGiB + 3, 9 * kGiB}) {
    const GaugeByteScale scale = GaugeByteScale::forLength(length);
    EXPECT_LE(scale.toBytes(scale.toGauge(length)), length) << length;
  }
  const GaugeByteScale exact = GaugeByteScale::forLength(int64_t{1} << 31);
  EXPECT_EQ(exact.toBytes(exact.toGauge(int64_t{1} << 31)), int64_t{1} << 31);
}

}  // namespace
