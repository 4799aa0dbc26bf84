// The mapping between the gauges and what they stand for: pointer positions, shares of the
// range and stream bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "playlist/GaugeMapping.h"

namespace {

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int64_t kGiB = int64_t{1} << 30;

TEST(GaugeValueAtPixel, MapsThePointerOntoTheRange) {
  struct Case {
    int x, width;
    int32_t maximum, value;
  };
  for (const Case c : {Case{36, 73, 10, 5},  // 4.93
                       Case{500, 73, 10, 10},
                       Case{-7, 73, 10, 0},
                       Case{1, 4, 10, 2},  // 2.5 to the even 2
                       Case{3, 4, 10, 8},  // 7.5 to the even 8
                       Case{0, 0, 10, 0}, Case{3, 0, 10, 10},
                       Case{300, 300, kInt32Max, kInt32Max}}) {
    EXPECT_EQ(gaugeValueAtPixel(c.x, c.width, 0, c.maximum), c.value) << c.x << " of " << c.width;
  }
}

TEST(GaugeValueAtShare, MapsAShareOntoTheSteps) {
  struct Case {
    double share;
    int32_t value;
  };
  for (const Case c : {Case{0.0, 0}, Case{1.0, 10}, Case{0.7, 7}, Case{0.74, 7}, Case{0.76, 8},
                       Case{0.25, 3}, Case{0.05, 1}, Case{0.35, 4},  // a half step goes up
                       Case{1.5, 10}, Case{-0.1, 0}, Case{std::nan(""), 0}}) {
    EXPECT_EQ(gaugeValueAtShare(c.share, 0, 10), c.value) << c.share;
  }
}

TEST(GaugeByteScale, FitsAnyLengthWithTheSmallestPowerOfTwo) {
  struct Case {
    int64_t length;
    int shift;
  };
  for (const Case c : {Case{-1, 0}, Case{kInt32Max, 0}, Case{int64_t{kInt32Max} + 1, 1},
                       Case{3 * kGiB, 1}, Case{4 * kGiB, 2}, Case{(int64_t{1} << 33) + 5, 3},
                       Case{std::numeric_limits<int64_t>::max(), 32}}) {
    const GaugeByteScale scale = GaugeByteScale::forLength(c.length);
    EXPECT_EQ(scale.shift(), c.shift) << c.length;
    if (c.length > kInt32Max) {
      EXPECT_GT(scale.toGauge(c.length), kInt32Max / 2) << c.length;
    }
    // The far right of the gauge never names a byte beyond the end.
    EXPECT_LE(scale.toBytes(scale.toGauge(c.length)), std::max<int64_t>(c.length, 0)) << c.length;
  }
}

TEST(GaugeByteScale, ShowsAndSeeksTheRightShareOfALongStream) {
  const int64_t length = 5 * kGiB + 77;
  const GaugeByteScale scale = GaugeByteScale::forLength(length);
  const int32_t maximum = scale.toGauge(length);
  constexpr int kWidth = 250;
  for (int x : {0, 1, 125, 249}) {
    const double share = static_cast<double>(x) / kWidth;
    const auto position = static_cast<int64_t>(share * static_cast<double>(length));
    EXPECT_NEAR(static_cast<double>(scale.toGauge(position)) / maximum, share, 1e-8) << x;
    const int64_t seek = scale.toBytes(gaugeValueAtPixel(x, kWidth, 0, maximum));
    EXPECT_NEAR(static_cast<double>(seek), static_cast<double>(position), 8.0) << x;
  }
  EXPECT_EQ(scale.toGauge(-1), 0);
}

}  // namespace
