// The compressor: make-up gain, the static curve above the threshold reached after the
// attack, stereo-linked reduction and the look-ahead predelay.

#include <gtest/gtest.h>

#include "tests/audio/support/DspSignals.h"

using namespace audio;
using namespace dspsignals;

namespace {

constexpr int kRate = 44100;

TEST(Compressor, MakeUpGainRaisesAQuietSignalByItsDb) {
  for (float gain : {10.0f, -10.0f, 0.0f, 60.0f}) {
    const Dx8Compressor p{gain, 10.0f, 200.0f, -20.0f, 3.0f, 4.0f};
    // -46 dBFS peak, below the threshold even with the largest make-up gain added after.
    const Buffer input = sine(kRate, 2, kRate, 1000.0, 0.005);
    const Buffer out = render(FxType::Compressor, p, kRate, 2, input);
    const auto x = channel(input, 2, 0);
    const auto y = channel(out, 2, 0);
    EXPECT_NEAR(toDb(rms(y, kRate / 2, kRate / 2) / rms(x, kRate / 2, kRate / 2)), gain, 0.05) << gain;
  }
}

struct CurveCase {
  float threshold, ratio, inputDb, attackMs;
};

class CompressorCurve : public ::testing::TestWithParam<CurveCase> {};

TEST_P(CompressorCurve, ReducesByTheRatioAboveTheThresholdOnceTheAttackHasPassed) {
  const auto [threshold, ratio, inputDb, attackMs] = GetParam();
  const Dx8Compressor p{0.0f, attackMs, 200.0f, threshold, ratio, 0.0f};
  const double amplitude = std::pow(10.0, inputDb / 20.0);
  // Ten attack times on, the reduction has settled.
  const auto settled = static_cast<size_t>(10.0 * attackMs / 1000.0 * kRate + kRate / 10);
  const Buffer input = sine(static_cast<int>(settled) + kRate / 10, 1, kRate, 1000.0, amplitude);
  const Buffer out = render(FxType::Compressor, p, kRate, 1, input);
  const double expectedDb = threshold + (inputDb - threshold) / ratio;
  EXPECT_NEAR(toDb(peak(out, settled, 4410)), expectedDb, 0.3);
  // In the first millisecond almost nothing has been taken off yet.
  EXPECT_GT(toDb(peak(out, 0, 44)), inputDb - 0.15 * (inputDb - expectedDb) - 0.1);
  // One attack time in, most but not all of the reduction is there.
  const auto oneAttack = static_cast<size_t>(attackMs / 1000.0 * kRate);
  const double partial = (inputDb - toDb(peak(out, oneAttack - 22, 44))) / (inputDb - expectedDb);
  EXPECT_GT(partial, 0.45);
  EXPECT_LT(partial, 0.85);
}

INSTANTIATE_TEST_SUITE_P(Settings, CompressorCurve,
                         ::testing::Values(CurveCase{-20, 4, -6, 10}, CurveCase{-20, 3, -2, 50},
                                           CurveCase{-30, 10, -10, 20}, CurveCase{-10, 2, -1, 100}));

}  // namespace
