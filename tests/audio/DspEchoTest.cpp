// The echo: repeats at the left and right delays, each later one scaled by the feedback,
// ping-pong with pan delay, and a changed delay reached without a click.

#include <gtest/gtest.h>

#include "tests/audio/support/DspSignals.h"

using namespace audio;
using namespace dspsignals;

namespace {

constexpr int kRate = 44100;

int samplesOf(double ms) { return static_cast<int>(std::lround(ms / 1000.0 * kRate)); }

// A unit impulse on the chosen channels at frame 0.
Buffer impulse(int frames, bool left, bool right) {
  Buffer b(static_cast<size_t>(frames) * 2, 0.0f);
  b[0] = left ? 1.0f : 0.0f;
  b[1] = right ? 1.0f : 0.0f;
  return b;
}

struct EchoCase {
  float leftMs, rightMs, feedback;
};

class EchoRepeats : public ::testing::TestWithParam<EchoCase> {};

TEST_P(EchoRepeats, ComeAtEachSidesDelayAndFallByTheFeedback) {
  const auto [leftMs, rightMs, feedback] = GetParam();
  const Dx8Echo p{100.0f, feedback, leftMs, rightMs, 0};
  const Buffer out = render(FxType::Echo, p, kRate, 2, impulse(kRate * 3, true, true), {333});
  const int delays[2] = {samplesOf(leftMs), samplesOf(rightMs)};
  for (int c = 0; c < 2; ++c) {
    const auto x = channel(out, 2, c);
    const int d = delays[c];
    double expected = 1.0;
    for (int repeat = 1; repeat * d < static_cast<int>(x.size()) && repeat <= 4; ++repeat) {
      EXPECT_NEAR(x[static_cast<size_t>(repeat * d)], expected, 1e-5) << "channel " << c << " repeat " << repeat;
      expected *= feedback / 100.0;
    }
    // Nothing between the repeats.
    double stray = 0.0;
    for (size_t i = 0; i < x.size(); ++i)
      if (i % static_cast<size_t>(d) != 0) stray = std::max(stray, std::abs(static_cast<double>(x[i])));
    EXPECT_LT(stray, 1e-6) << "channel " << c;
  }
}

INSTANTIATE_TEST_SUITE_P(Delays, EchoRepeats,
                         ::testing::Values(EchoCase{500, 500, 50}, EchoCase{120, 333, 70}, EchoCase{1, 2000, 25},
                                           EchoCase{250, 40, 0}));

TEST(Echo, WetDryMixBlendsLinearly) {
  const Dx8Echo p{30.0f, 0.0f, 10.0f, 10.0f, 0};
  const Buffer out = render(FxType::Echo, p, kRate, 2, impulse(kRate, true, false));
  EXPECT_NEAR(out[0], 0.7f, 1e-6);
  EXPECT_NEAR(out[static_cast<size_t>(samplesOf(10)) * 2], 0.3f, 1e-6);
}

TEST(Echo, PanDelaySendsEachRepeatToTheOtherSide) {
  const int dl = samplesOf(100);
  const int dr = samplesOf(170);
  const Dx8Echo p{100.0f, 50.0f, 100.0f, 170.0f, 1};
  const Buffer out = render(FxType::Echo, p, kRate, 2, impulse(kRate * 2, true, false));
  const auto left = channel(out, 2, 0);
  const auto right = channel(out, 2, 1);
  // Left, then right, then left again, each at the delay of the line it went through.
  EXPECT_NEAR(left[dl], 1.0, 1e-6);
  EXPECT_NEAR(right[dl + dr], 0.5, 1e-6);
  EXPECT_NEAR(left[2 * dl + dr], 0.25, 1e-6);
  EXPECT_NEAR(right[2 * dl + 2 * dr], 0.125, 1e-6);
  // Without pan delay the second repeat stays on the left.
  const Buffer still = render(FxType::Echo, Dx8Echo{100.0f, 50.0f, 100.0f, 170.0f, 0}, kRate, 2,
                              impulse(kRate * 2, true, false));
  EXPECT_NEAR(channel(still, 2, 0)[2 * dl], 0.5, 1e-6);
  EXPECT_NEAR(peak(channel(still, 2, 1), 0, still.size() / 2), 0.0, 1e-9);
}

TEST(Echo, ChangingTheDelayWhilePlayingMakesNoClick) {
  auto echo = prepared(FxType::Echo, nullptr, kRate, 2);
  const Buffer input = sine(kRate * 2, 2, kRate, 440.0, 0.5);
  Buffer out = input;
  const int half = kRate;
  echo->process(out.data(), half);
  const Dx8Echo shorter{50.0f, 50.0f, 123.0f, 321.0f, 0};
  ASSERT_TRUE(echo->setParameters(shorter));
  echo->process(out.data() + static_cast<size_t>(half) * 2, half);
  // The echoed sine never steps more than the sum of its repeats' own largest steps.
  const double sineStep = 2.0 * kPi * 440.0 / kRate * 0.5;
  for (int c = 0; c < 2; ++c) EXPECT_LT(largestStep(channel(out, 2, c), 0, out.size() / 2), 2.0 * sineStep);
}

}  // namespace
