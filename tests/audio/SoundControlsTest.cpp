// The sound controls applied to a track on the manual clock: which effects a new stream gets,
// and that every value reaches its own setter.

#include "audio/SoundControls.h"

#include <gtest/gtest.h>

#include <memory>

#include "audio/output/ManualClockOutput.h"
#include "tests/audio/support/AudioFixtures.h"

namespace {

using audio::Engine;

class SoundControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine::setOutputFactory([](int rate) { return std::make_unique<audio::ManualClockOutput>(rate); });
    track = std::make_unique<TETrack>();
    track->OpenFile(fixtures::writeSineWav("controls.wav", 44100, 2, 440.0, 1.0));
  }
  void TearDown() override {
    track.reset();
    Engine::setOutputFactory(nullptr);
  }
  // The handle of the newest instance of `kind`, 0 when none was ever added.
  audio::FxHandle handleOf(EffectKind kind) const {
    return track->EffectHandles[kEffectKinds[static_cast<size_t>(kind)].slot];
  }

  std::unique_ptr<TETrack> track;
};

TEST_F(SoundControlsTest, ANewStreamGetsTheFourSwitchedEffectsAndTheConnectedBandsButNoFlanger) {
  SoundControls controls;
  for (EffectKind kind : {EffectKind::Echo, EffectKind::Compressor, EffectKind::Chorus, EffectKind::Flanger}) {
    controls.setOn(kind, true);
  }
  controls.equalizerConnected = true;
  controls.bands = {1, 2, 3, 4, 5, 6, 7, 0, 1, 2};
  controls.ApplyEffectSwitches(*track);
  for (EffectKind kind : {EffectKind::Echo, EffectKind::Compressor, EffectKind::Chorus}) {
    EXPECT_NE(handleOf(kind), 0u) << static_cast<int>(kind);
  }
  EXPECT_EQ(handleOf(EffectKind::Reverb), 0u);
  EXPECT_EQ(handleOf(EffectKind::Flanger), 0u);
  // The bands are on, and take their gains at once.
  for (size_t band = 0; band < SoundControls::kBandCount; ++band) {
    audio::Dx8ParamEq record{};
    ASSERT_TRUE(Engine::instance().fxGetParameters(track->EqBands[band], record)) << band;
    EXPECT_EQ(record.fGain, static_cast<float>(controls.bands[band])) << band;
  }
}

TEST_F(SoundControlsTest, EveryValueReachesItsOwnSetter) {
  for (EffectKind kind : {EffectKind::Compressor, EffectKind::Reverb, EffectKind::Flanger}) track->EnableEffect(kind);
  SoundControls controls;
  controls.compressorGain = 3;
  // The reverb takes mixes in dB, 0 and below; the slider's other positions are refused.
  controls.reverbMix = -3;
  controls.flanger = {5, 6, 7, 8, 2};
  controls.bands = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
  controls.PushEffectParameters(*track);
  for (size_t band = 0; band < SoundControls::kBandCount; ++band) {
    EXPECT_EQ(track->BandGains[band], static_cast<float>(controls.bands[band])) << band;
  }
  Engine& engine = Engine::instance();
  audio::Dx8Compressor compressor{};
  engine.fxGetParameters(handleOf(EffectKind::Compressor), compressor);
  EXPECT_EQ(compressor.fGain, 3.0f);
  audio::Dx8Reverb reverb{};
  engine.fxGetParameters(handleOf(EffectKind::Reverb), reverb);
  EXPECT_EQ(reverb.fReverbMix, -3.0f);
  audio::Dx8Flanger flanger{};
  engine.fxGetParameters(handleOf(EffectKind::Flanger), flanger);
  EXPECT_EQ(flanger.fWetDryMix, 5.0f);
  EXPECT_EQ(flanger.fDepth, 6.0f);
  EXPECT_EQ(flanger.fFeedback, 7.0f);
  EXPECT_EQ(flanger.fFrequency, 8.0f);
  EXPECT_EQ(flanger.fDelay, 2.0f);
}

}  // namespace
