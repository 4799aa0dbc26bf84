// The equaliser band: measured gain at the centre and far from it, at several rates, and
// the centre pulled down to a third of the sample rate.

#include <gtest/gtest.h>

#include "audio/dsp/ParamEq.h"
#include "tests/audio/support/DspSignals.h"

using namespace audio;
using namespace dspsignals;

namespace {

// Gain in dB that the band gives a steady sine of `frequency`.
double measuredGainDb(const Dx8ParamEq& band, int rate, double frequency) {
  const Buffer input = sine(rate, 1, rate, frequency, 0.25);
  const Buffer output = render(FxType::ParamEq, band, rate, 1, input);
  // Skip the first half second, where the filter settles.
  const size_t start = static_cast<size_t>(rate) / 2;
  const size_t count = static_cast<size_t>(rate) / 2;
  return toDb(amplitudeAt(output, start, count, rate, frequency) / amplitudeAt(input, start, count, rate, frequency));
}

struct BandCase {
  int rate;
  float centre;
};

class EqBand : public ::testing::TestWithParam<BandCase> {};

TEST_P(EqBand, BoostsItsCentreBySevenDbAndLeavesThreeOctavesAwayAlone) {
  const auto [rate, centre] = GetParam();
  const Dx8ParamEq band{centre, 3.0f, 7.0f};
  EXPECT_NEAR(measuredGainDb(band, rate, centre), 7.0, 0.2);
  const double below = centre / 8.0;
  const double above = centre * 8.0;
  if (below >= 20.0) {
    EXPECT_NEAR(measuredGainDb(band, rate, below), 0.0, 0.5);
  }
  if (above < rate / 2.0 * 0.9) {
    EXPECT_NEAR(measuredGainDb(band, rate, above), 0.0, 0.5);
  }
}

// The ten centres the equaliser uses, and the rates a stream may have.
INSTANTIATE_TEST_SUITE_P(Bands, EqBand,
                         ::testing::Values(BandCase{44100, 80}, BandCase{44100, 170}, BandCase{44100, 310},
                                           BandCase{44100, 600}, BandCase{44100, 1000}, BandCase{44100, 3000},
                                           BandCase{44100, 6000}, BandCase{44100, 10000}, BandCase{44100, 12000},
                                           BandCase{44100, 14000}, BandCase{48000, 1000}, BandCase{22050, 600},
                                           BandCase{96000, 80}));

TEST(EqBand, CentreAboveAThirdOfTheRateActsAtThatThird) {
  constexpr int kRate = 22050;
  const double third = kRate / 3.0;  // 7350 Hz
  EXPECT_NEAR(measuredGainDb({12000.0f, 3.0f, 7.0f}, kRate, third), 7.0, 0.2);
}

// The equaliser's bands run as one cascade; it must give what the bands give one after
// another (to within single precision), in any blocks, also while a band glides to a new gain.
TEST(EqBand, TenBandsAsOneCascadeGiveWhatEachGivesInTurn) {
  constexpr int kRate = 44100;
  constexpr float kCentres[] = {80, 170, 310, 600, 1000, 3000, 6000, 10000, 12000, 14000};
  for (int channels : {1, 2}) {
    SCOPED_TRACE(channels);
    std::vector<dsp::ParamEq> inTurn(10), cascade(10);
    dsp::ParamEq* bands[10];
    for (int k = 0; k < 10; ++k) {
      const Dx8ParamEq band{kCentres[k], 3.0f, static_cast<float>(k % 8)};
      for (auto* set : {&inTurn, &cascade}) {
        (*set)[k].setParameters(band);
        (*set)[k].prepare(kRate, channels, 4096);
      }
      bands[k] = &cascade[k];
    }
    Buffer expected = noise(kRate / 2, channels, 0.3);
    Buffer actual = expected;
    const int pieces[] = {512, 7, 1, 1000, 64, 333};
    int done = 0;
    for (int piece = 0; done < kRate / 2; ++piece) {
      const int frames = std::min(pieces[piece % 6], kRate / 2 - done);
      if (piece == 5) {
        for (auto* set : {&inTurn, &cascade}) (*set)[3].setParameters(Dx8ParamEq{600, 3.0f, -9.0f});
      }
      for (auto& band : inTurn) band.process(expected.data() + static_cast<size_t>(done) * channels, frames);
      dsp::ParamEq::processCascade(bands, 10, actual.data() + static_cast<size_t>(done) * channels, frames);
      done += frames;
    }
    for (size_t i = 0; i < actual.size(); ++i) ASSERT_NEAR(actual[i], expected[i], 1e-6) << i;
  }
}

}  // namespace
