// The resampler against a tone worked out at the output rate: in time from the first frame
// to the last, as many frames as the input lasts, the same however the input is cut, and
// what lies above the output's Nyquist frequency filtered away.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "audio/decode/Resampler.h"

namespace {

struct Rates {
  int in;
  int out;
};

void PrintTo(const Rates& r, std::ostream* os) { *os << r.in << " to " << r.out; }

std::vector<float> tone(double hz, int rate, int frames, double amplitude = 0.5) {
  std::vector<float> stereo(2 * static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i) {
    const auto value = static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz * i / rate));
    stereo[2 * static_cast<size_t>(i)] = value;
    stereo[2 * static_cast<size_t>(i) + 1] = -value;
  }
  return stereo;
}

// Resamples `input` fed in pieces of the given sizes, in turn, and flushed.
std::vector<float> resample(audio::Resampler& resampler, const std::vector<float>& input, std::vector<int> pieces) {
  const int frames = static_cast<int>(input.size() / 2);
  std::vector<float> output(2 * static_cast<size_t>(resampler.maxOutput(frames)));
  int written = 0;
  size_t next = 0;
  for (int done = 0; done < frames;) {
    const int count = std::min(pieces[next++ % pieces.size()], frames - done);
    written += resampler.process(&input[2 * static_cast<size_t>(done)], count, &output[2 * static_cast<size_t>(written)],
                                 resampler.maxOutput(count));
    done += count;
  }
  written += resampler.flush(&output[2 * static_cast<size_t>(written)], resampler.maxOutput(0));
  output.resize(2 * static_cast<size_t>(written));
  return output;
}

class ResamplerTest : public ::testing::TestWithParam<Rates> {};

TEST_P(ResamplerTest, KeepsATonesTimeAndLengthHoweverTheInputIsCut) {
  const auto [in, out] = GetParam();
  const int frames = in / 2 + 37;
  const std::vector<float> input = tone(1000.0, in, frames);
  auto resampler = audio::Resampler::create(in, out);
  ASSERT_TRUE(resampler);
  const std::vector<float> whole = resample(*resampler, input, {frames});
  // Output frame n lies at input time n / out, for every n before the input's end.
  const auto expected = static_cast<size_t>(std::ceil(static_cast<double>(frames) * out / in));
  ASSERT_EQ(whole.size() / 2, expected);
  // Away from the two ends, where the filter reaches past the tone, it is the tone itself.
  double worst = 0.0;
  for (size_t n = 64; n + 64 < expected; ++n) {
    const double wanted = 0.5 * std::sin(2.0 * std::numbers::pi * 1000.0 * static_cast<double>(n) / out);
    worst = std::max({worst, std::abs(whole[2 * n] - wanted), std::abs(whole[2 * n + 1] + wanted)});
  }
  EXPECT_LT(worst, 5e-4);
  resampler->reset();
  // Where the ratio needs more filter phases than the resampler keeps, each output frame's
  // place is summed up frame by frame, and a different cut may round it a step apart.
  const std::vector<float> cut = resample(*resampler, input, {1, 7, 1000, 333, 64});
  ASSERT_EQ(cut.size(), whole.size());
  double apart = 0;
  for (size_t i = 0; i < cut.size(); ++i) apart = std::max(apart, std::abs(double{cut[i]} - whole[i]));
  EXPECT_LT(apart, 1e-6);
}

TEST_P(ResamplerTest, LeavesNothingOfWhatTheOutputRateCannotCarry) {
  const auto [in, out] = GetParam();
  // A tone well above the output's Nyquist frequency, past the filter's transition band,
  // and below the input's.
  const double hz = 0.6 * out;
  if (2.0 * hz >= in) GTEST_SKIP() << "the input carries no such tone";
  auto resampler = audio::Resampler::create(in, out);
  const std::vector<float> heard = resample(*resampler, tone(hz, in, in, 0.9), {4096});
  double peak = 0.0;
  for (size_t i = 2 * 512; i + 2 * 512 < heard.size(); ++i) peak = std::max(peak, std::abs(double{heard[i]}));
  EXPECT_LT(20.0 * std::log10(peak / 0.9), -70.0);
}

INSTANTIATE_TEST_SUITE_P(Rates, ResamplerTest,
                         ::testing::Values(Rates{48000, 44100}, Rates{96000, 44100}, Rates{22050, 44100},
                                           Rates{32000, 44100}, Rates{8000, 44100}, Rates{44056, 44100},
                                           Rates{192000, 44100}));

}  // namespace
