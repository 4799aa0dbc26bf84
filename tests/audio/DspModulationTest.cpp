// The effects that move something with a waveform or bend the wave: gargle's level
// modulation, the chorus's and flanger's swept delays, and distortion's harmonics.

#include <gtest/gtest.h>

#include "tests/audio/support/DspSignals.h"

using namespace audio;
using namespace dspsignals;

namespace {

constexpr int kRate = 44100;

// --- Gargle -------------------------------------------------------------------------------

struct GargleCase {
  uint32_t rate;
  uint32_t shape;
};

class GargleShape : public ::testing::TestWithParam<GargleCase> {};

TEST_P(GargleShape, ModulatesTheLevelAtItsRateWithItsWaveShape) {
  const auto [rateHz, shape] = GetParam();
  // A constant input shows the modulator itself.
  const Buffer out = render(FxType::Gargle, Dx8Gargle{rateHz, shape}, kRate, 1, Buffer(kRate, 1.0f));
  // Whole periods in one second: count rises through one half.
  int rises = 0;
  for (size_t i = 1; i < out.size(); ++i) rises += out[i - 1] < 0.5f && out[i] >= 0.5f;
  EXPECT_NEAR(rises, static_cast<int>(rateHz), 1);
  EXPECT_NEAR(peak(out, 0, out.size()), 1.0, 0.01);
  double mean = 0.0, nearTop = 0.0, nearBottom = 0.0;
  for (float v : out) {
    mean += v;
    nearTop += v > 0.9f;
    nearBottom += v < 0.1f;
  }
  mean /= out.size();
  nearTop /= out.size();
  nearBottom /= out.size();
  EXPECT_NEAR(mean, 0.5, 0.02);
  if (shape == 0) {
    // A triangle spends a tenth of its time in each top and bottom tenth of its swing.
    EXPECT_NEAR(nearTop, 0.1, 0.02);
    EXPECT_NEAR(nearBottom, 0.1, 0.02);
  } else {
    // A square sits at its top or bottom but for its short edges.
    EXPECT_GT(nearTop, 0.42);
    EXPECT_GT(nearBottom, 0.42);
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, GargleShape,
                         ::testing::Values(GargleCase{20, 0}, GargleCase{20, 1}, GargleCase{7, 0}, GargleCase{3, 1},
                                           GargleCase{100, 0}, GargleCase{250, 1}));

// --- Chorus and flanger -------------------------------------------------------------------

// Feeds a click every `spacing` samples through a fully wet, feedback-free modulated delay
// and returns, per click, the delay in ms at which it came out on `channel` (the first
// moment of the interpolated click, which the cubic reader keeps exact).
std::vector<double> measuredDelaysMs(FxType type, const EffectRecord* record, int spacing, int clicks, int channelIndex) {
  Buffer input(static_cast<size_t>(spacing) * clicks * 2, 0.0f);
  for (int k = 0; k < clicks; ++k) {
    input[static_cast<size_t>(k) * spacing * 2] = 1.0f;
    input[static_cast<size_t>(k) * spacing * 2 + 1] = 1.0f;
  }
  auto effect = prepared(type, record, kRate, 2);
  const auto out = channel(run(*effect, input, 2), 2, channelIndex);
  std::vector<double> delays;
  for (int k = 0; k < clicks; ++k) {
    double sum = 0.0, moment = 0.0;
    for (int i = 0; i < spacing; ++i) {
      const double v = out[static_cast<size_t>(k) * spacing + i];
      sum += v;
      moment += v * i;
    }
    delays.push_back(moment / sum / kRate * 1000.0);
  }
  return delays;
}

struct SweepCase {
  FxType type;
  float delayMs, depth, frequency;
  int32_t waveform;
};

class DelaySweep : public ::testing::TestWithParam<SweepCase> {};

TEST_P(DelaySweep, SweepsTheDelayAcrossItsRangeAndNoFurther) {
  const auto [type, delayMs, depth, frequency, waveform] = GetParam();
  const EffectRecord p = type == FxType::Chorus
                             ? EffectRecord{Dx8Chorus{100.0f, depth, 0.0f, frequency, waveform, delayMs, 2}}
                             : EffectRecord{Dx8Flanger{100.0f, depth, 0.0f, frequency, waveform, delayMs, 2}};
  const auto delays = measuredDelaysMs(type, &p, 2048, 4 * kRate / 2048, 0);
  const double low = delayMs * (1.0 - depth / 100.0);
  const double high = delayMs * (1.0 + depth / 100.0);
  const auto [minIt, maxIt] = std::minmax_element(delays.begin(), delays.end());
  const double margin = 0.05;  // ms; the shortest delay is held at two samples
  EXPECT_GE(*minIt, std::max(low, 2000.0 / kRate) - margin);
  EXPECT_LE(*maxIt, high + margin);
  // Over four seconds the sweep reaches close to both ends of its range.
  EXPECT_GT(*maxIt - *minIt, 0.9 * (high - std::max(low, 2000.0 / kRate)));
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, DelaySweep,
    ::testing::Values(SweepCase{FxType::Chorus, 16.0f, 10.0f, 1.1f, 1}, SweepCase{FxType::Chorus, 10.0f, 50.0f, 2.0f, 0},
                      SweepCase{FxType::Chorus, 20.0f, 100.0f, 0.5f, 1}, SweepCase{FxType::Flanger, 2.0f, 100.0f, 0.5f, 1},
                      SweepCase{FxType::Flanger, 4.0f, 30.0f, 3.0f, 0}, SweepCase{FxType::Flanger, 1.0f, 60.0f, 1.0f, 1}));

TEST(DelaySweep, SweepsAtTheLfoRateAndTheRightSideFollowsThePhase) {
  // At 180 degrees the two sides swing in opposition: their delays always sum to twice
  // the base delay. At 0 degrees they are equal.
  const EffectRecord opposed = Dx8Flanger{100.0f, 50.0f, 0.0f, 1.0f, 1, 4.0f, 4};
  const auto left = measuredDelaysMs(FxType::Flanger, &opposed, 441, 200, 0);
  const auto right = measuredDelaysMs(FxType::Flanger, &opposed, 441, 200, 1);
  for (size_t k = 0; k < left.size(); ++k) ASSERT_NEAR(left[k] + right[k], 8.0, 0.05) << k;
  const EffectRecord together = Dx8Flanger{100.0f, 50.0f, 0.0f, 1.0f, 1, 4.0f, 2};
  const auto l2 = measuredDelaysMs(FxType::Flanger, &together, 441, 200, 0);
  const auto r2 = measuredDelaysMs(FxType::Flanger, &together, 441, 200, 1);
  for (size_t k = 0; k < l2.size(); ++k) ASSERT_NEAR(l2[k], r2[k], 1e-6) << k;
  // A 1 Hz sweep with a click every 10 ms peaks once every 100 clicks.
  std::vector<size_t> peaks;
  for (size_t k = 1; k + 1 < left.size(); ++k)
    if (left[k] > left[k - 1] && left[k] >= left[k + 1]) peaks.push_back(k);
  ASSERT_EQ(peaks.size(), 2u);
  EXPECT_NEAR(static_cast<double>(peaks[1] - peaks[0]), 100.0, 1.0);
}

// --- Distortion ---------------------------------------------------------------------------

// Level of the third harmonic against the fundamental, in dB, for a 500 Hz sine.
double thirdHarmonicDb(const Dx8Distortion& p) {
  const Buffer input = sine(kRate, 1, kRate, 500.0, 0.5);
  const Buffer out = render(FxType::Distortion, p, kRate, 1, input);
  const size_t from = kRate / 2;
  return toDb(amplitudeAt(out, from, from, kRate, 1500.0) / amplitudeAt(out, from, from, kRate, 500.0));
}

TEST(Distortion, AddsHarmonicsThatGrowWithTheEdge) {
  // A wide post band around the harmonics so the filter itself barely tilts the measurement.
  const double clean = thirdHarmonicDb({0.0f, 0.0f, 1000.0f, 8000.0f, 8000.0f});
  const double some = thirdHarmonicDb({0.0f, 30.0f, 1000.0f, 8000.0f, 8000.0f});
  const double hard = thirdHarmonicDb({0.0f, 100.0f, 1000.0f, 8000.0f, 8000.0f});
  EXPECT_LT(clean, -25.0);
  EXPECT_GT(some, clean + 15.0);
  EXPECT_GT(hard, some - 0.5);
  EXPECT_GT(hard, -15.0);
}

}  // namespace
