// The reverb: the tail's 60 dB decay time, the shorter treble decay set by the
// high-frequency ratio, the dB mix between direct sound and reverb, and silence handling.

#include <gtest/gtest.h>

#include "tests/audio/support/DspSignals.h"

using namespace audio;
using namespace dspsignals;

namespace {

constexpr int kRate = 44100;

// Decay time to -60 dB in ms, from the backward-integrated energy of `x` (after the input
// stops at `from`): fitted between -5 and -35 dB and extrapolated.
double decayTimeMs(const std::vector<float>& x, size_t from) {
  std::vector<double> energy(x.size() - from);
  double sum = 0.0;
  for (size_t i = x.size(); i-- > from;) {
    sum += static_cast<double>(x[i]) * x[i];
    energy[i - from] = sum;
  }
  const double total = energy[0];
  size_t at5 = 0, at35 = 0;
  for (size_t i = 0; i < energy.size(); ++i) {
    const double db = 10.0 * std::log10(energy[i] / total);
    if (at5 == 0 && db <= -5.0) at5 = i;
    if (db <= -35.0) {
      at35 = i;
      break;
    }
  }
  if (at35 == 0) return 1e9;
  return 2.0 * static_cast<double>(at35 - at5) / kRate * 1000.0;
}

// Output of a fully wet reverb for a short burst of noise, then silence.
std::vector<float> tail(const Dx8Reverb& p, double seconds, size_t burst) {
  Buffer input(static_cast<size_t>(seconds * kRate) * 2, 0.0f);
  const Buffer n = noise(static_cast<int>(burst), 2, 0.5);
  std::copy(n.begin(), n.end(), input.begin());
  return channel(render(FxType::Reverb, p, kRate, 2, input), 2, 0);
}

class ReverbTime : public ::testing::TestWithParam<float> {};

TEST_P(ReverbTime, TailFallsBySixtyDbInTheReverbTime) {
  const float timeMs = GetParam();
  const size_t burst = kRate / 100;
  const auto x = tail({0.0f, 0.0f, timeMs, 0.999f}, timeMs / 1000.0 * 1.5 + 0.3, burst);
  EXPECT_NEAR(decayTimeMs(x, burst), timeMs, 0.25 * timeMs);
}

INSTANTIATE_TEST_SUITE_P(Times, ReverbTime, ::testing::Values(300.0f, 1000.0f, 2000.0f, 3000.0f));

// Decay time of the treble alone: the first difference of the signal, a steep tilt towards
// high frequencies.
double trebleDecayMs(const std::vector<float>& x, size_t from) {
  std::vector<float> d(x.size(), 0.0f);
  for (size_t i = 1; i < x.size(); ++i) d[i] = x[i] - x[i - 1];
  return decayTimeMs(d, from);
}

TEST(Reverb, HighFrequencyRatioShortensTheTreblesDecay) {
  const size_t burst = kRate / 100;
  const auto bright = tail({0.0f, 0.0f, 1500.0f, 0.999f}, 2.5, burst);
  const auto dark = tail({0.0f, 0.0f, 1500.0f, 0.1f}, 2.5, burst);
  const double brightTreble = trebleDecayMs(bright, burst);
  const double darkTreble = trebleDecayMs(dark, burst);
  EXPECT_NEAR(brightTreble, 1500.0, 0.25 * 1500.0);
  EXPECT_LT(darkTreble, 0.4 * brightTreble);
  // The bass of the dark setting still rings for about the full time.
  EXPECT_GT(decayTimeMs(dark, burst), 0.6 * 1500.0);
}

TEST(Reverb, MixInDbBalancesDirectSoundAgainstTheReverb) {
  Buffer click(static_cast<size_t>(kRate) * 2, 0.0f);
  click[0] = click[1] = 1.0f;
  // 0 dB: all reverb, no direct sound at the moment of the click.
  EXPECT_NEAR(render(FxType::Reverb, Dx8Reverb{0, 0, 1000, 0.5f}, kRate, 2, click)[0], 0.0, 1e-6);
  // -6 dB: the reverb at half amplitude and the direct sound at sqrt(1 - 0.25).
  const Buffer mixed = render(FxType::Reverb, Dx8Reverb{0, -6.0206f, 1000, 0.5f}, kRate, 2, click);
  EXPECT_NEAR(mixed[0], std::sqrt(0.75), 1e-3);
  // -96 dB: practically dry.
  const Buffer dry = render(FxType::Reverb, Dx8Reverb{0, -96, 1000, 0.5f}, kRate, 2, click);
  EXPECT_LT(peak(dry, 2, dry.size() - 2), 1e-4);
}

}  // namespace
