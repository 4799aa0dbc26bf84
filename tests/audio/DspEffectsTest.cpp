// Behaviour every effect shares: block-size independence, whole-record refusal, defaults,
// mono and any sample rate, and parameter changes that take effect from the next block.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <thread>

#include "audio/dsp/Effect.h"
#include "tests/audio/support/DspSignals.h"

using namespace audio;
using namespace dspsignals;

namespace {

const FxType kAllTypes[] = {FxType::Chorus, FxType::Compressor, FxType::Distortion, FxType::Echo,
                            FxType::Flanger, FxType::Gargle, FxType::ParamEq, FxType::Reverb};

// Input that exercises delays, filters and the compressor: a loud tone with noise on top.
Buffer testSignal(int frames, int channels, int rate) {
  Buffer b = sine(frames, channels, rate, 330.0, 0.6);
  const Buffer n = noise(frames, channels, 0.2);
  for (size_t i = 0; i < b.size(); ++i) b[i] += n[i];
  return b;
}

class EveryEffect : public ::testing::TestWithParam<FxType> {};

TEST_P(EveryEffect, OutputDoesNotDependOnHowTheAudioIsCutIntoBlocks) {
  constexpr int kRate = 44100;
  for (int channels : {1, 2}) {
    const Buffer input = testSignal(kRate / 2, channels, kRate);
    auto whole = prepared(GetParam(), nullptr, kRate, channels);
    auto single = prepared(GetParam(), nullptr, kRate, channels);
    auto uneven = prepared(GetParam(), nullptr, kRate, channels);
    const Buffer a = run(*whole, input, channels, {kRate / 2});
    const Buffer b = run(*single, input, channels, {1});
    const Buffer c = run(*uneven, input, channels, {0, 7, 1000, 3, 513, 64});
    ASSERT_EQ(a, b) << "channels " << channels;
    ASSERT_EQ(a, c) << "channels " << channels;
  }
}

TEST_P(EveryEffect, RunsFiniteAndNonSilentAtAnyRateMonoOrStereo) {
  for (int rate : {8000, 22050, 44100, 48000, 96000}) {
    for (int channels : {1, 2}) {
      auto effect = prepared(GetParam(), nullptr, rate, channels);
      const Buffer out = run(*effect, testSignal(rate, channels, rate), channels);
      double energy = 0.0;
      for (float v : out) {
        ASSERT_TRUE(std::isfinite(v)) << rate << " Hz, " << channels << " channels";
        energy += v * v;
      }
      EXPECT_GT(energy, 0.0) << rate << " Hz, " << channels << " channels";
    }
  }
}

TEST_P(EveryEffect, ResetClearsTheMemoryOfEarlierAudio) {
  constexpr int kRate = 44100;
  const Buffer input = testSignal(kRate / 4, 2, kRate);
  auto fresh = prepared(GetParam(), nullptr, kRate, 2);
  auto used = prepared(GetParam(), nullptr, kRate, 2);
  run(*used, testSignal(kRate / 4, 2, kRate), 2);
  used->reset();
  EXPECT_EQ(run(*fresh, input, 2), run(*used, input, 2));
}

INSTANTIATE_TEST_SUITE_P(AllTypes, EveryEffect, ::testing::ValuesIn(kAllTypes));

TEST(MakeEffect, MakesEachTypeAndNothingForUnknownNumbers) {
  for (FxType type : kAllTypes) {
    auto effect = makeEffect(type);
    ASSERT_TRUE(effect);
    EXPECT_EQ(effect->type(), type);
  }
  EXPECT_EQ(makeEffect(static_cast<FxType>(6)), nullptr);
  EXPECT_EQ(makeEffect(static_cast<FxType>(9)), nullptr);
  EXPECT_EQ(makeEffect(static_cast<FxType>(-1)), nullptr);
}

// One case per record field: a valid record, then the same record with one field outside
// its range. Refusal must leave every field as it was.
struct RangeCase {
  const char* name;
  FxType type;
  std::function<void(void*)> spoil;
};

template <class Record, class Field>
std::function<void(void*)> setField(Field Record::*field, Field value) {
  return [field, value](void* r) { static_cast<Record*>(r)->*field = value; };
}

const float kNan = std::nanf("");

std::vector<RangeCase> rangeCases() {
  return {
      {"ChorusWetAbove100", FxType::Chorus, setField(&Dx8Chorus::fWetDryMix, 100.5f)},
      {"ChorusDepthBelow0", FxType::Chorus, setField(&Dx8Chorus::fDepth, -1.0f)},
      {"ChorusFeedbackBelowMinus99", FxType::Chorus, setField(&Dx8Chorus::fFeedback, -99.5f)},
      {"ChorusFrequencyAbove10", FxType::Chorus, setField(&Dx8Chorus::fFrequency, 10.5f)},
      {"ChorusWaveform2", FxType::Chorus, setField(&Dx8Chorus::lWaveform, 2)},
      {"ChorusDelayAbove20", FxType::Chorus, setField(&Dx8Chorus::fDelay, 20.5f)},
      {"ChorusPhase5", FxType::Chorus, setField(&Dx8Chorus::lPhase, 5)},
      {"ChorusDelayNan", FxType::Chorus, setField(&Dx8Chorus::fDelay, kNan)},
      {"CompressorGainAbove60", FxType::Compressor, setField(&Dx8Compressor::fGain, 60.5f)},
      {"CompressorGainBelowMinus60", FxType::Compressor, setField(&Dx8Compressor::fGain, -61.0f)},
      {"CompressorAttackBelowMin", FxType::Compressor, setField(&Dx8Compressor::fAttack, 0.005f)},
      {"CompressorReleaseBelow50", FxType::Compressor, setField(&Dx8Compressor::fRelease, 49.0f)},
      {"CompressorThresholdAbove0", FxType::Compressor, setField(&Dx8Compressor::fThreshold, 0.5f)},
      {"CompressorRatioBelow1", FxType::Compressor, setField(&Dx8Compressor::fRatio, 0.5f)},
      {"CompressorPredelayAbove4", FxType::Compressor, setField(&Dx8Compressor::fPredelay, 4.5f)},
      {"DistortionGainAbove0", FxType::Distortion, setField(&Dx8Distortion::fGain, 1.0f)},
      {"DistortionEdgeAbove100", FxType::Distortion, setField(&Dx8Distortion::fEdge, 101.0f)},
      {"DistortionCentreBelow100", FxType::Distortion, setField(&Dx8Distortion::fPostEQCenterFrequency, 99.0f)},
      {"DistortionBandwidthAbove8000", FxType::Distortion, setField(&Dx8Distortion::fPostEQBandwidth, 8001.0f)},
      {"DistortionCutoffNan", FxType::Distortion, setField(&Dx8Distortion::fPreLowpassCutoff, kNan)},
      {"EchoWetBelow0", FxType::Echo, setField(&Dx8Echo::fWetDryMix, -0.5f)},
      {"EchoFeedbackNegative", FxType::Echo, setField(&Dx8Echo::fFeedback, -1.0f)},
      {"EchoLeftDelayBelow1", FxType::Echo, setField(&Dx8Echo::fLeftDelay, 0.5f)},
      {"EchoRightDelayAbove2000", FxType::Echo, setField(&Dx8Echo::fRightDelay, 2001.0f)},
      {"EchoPanDelay2", FxType::Echo, setField(&Dx8Echo::lPanDelay, 2)},
      {"FlangerDelayAbove4", FxType::Flanger, setField(&Dx8Flanger::fDelay, 4.5f)},
      {"FlangerFeedbackAbove99", FxType::Flanger, setField(&Dx8Flanger::fFeedback, 99.5f)},
      {"FlangerPhaseNegative", FxType::Flanger, setField(&Dx8Flanger::lPhase, -1)},
      {"GargleRate0", FxType::Gargle, setField(&Dx8Gargle::dwRateHz, 0u)},
      {"GargleRateAbove1000", FxType::Gargle, setField(&Dx8Gargle::dwRateHz, 1001u)},
      {"GargleShape2", FxType::Gargle, setField(&Dx8Gargle::dwWaveShape, 2u)},
      {"ParamEqCentreBelow80", FxType::ParamEq, setField(&Dx8ParamEq::fCenter, 79.0f)},
      {"ParamEqCentreAbove16000", FxType::ParamEq, setField(&Dx8ParamEq::fCenter, 16001.0f)},
      {"ParamEqBandwidthAbove36", FxType::ParamEq, setField(&Dx8ParamEq::fBandwidth, 37.0f)},
      {"ParamEqGainAbove15", FxType::ParamEq, setField(&Dx8ParamEq::fGain, 15.5f)},
      {"ParamEqGainBelowMinus15", FxType::ParamEq, setField(&Dx8ParamEq::fGain, -16.0f)},
      {"ReverbInGainAbove0", FxType::Reverb, setField(&Dx8Reverb::fInGain, 0.5f)},
      {"ReverbMixPositive", FxType::Reverb, setField(&Dx8Reverb::fReverbMix, 3.0f)},
      {"ReverbMixBelowMinus96", FxType::Reverb, setField(&Dx8Reverb::fReverbMix, -97.0f)},
      {"ReverbTimeAbove3000", FxType::Reverb, setField(&Dx8Reverb::fReverbTime, 3001.0f)},
      {"ReverbTimeZero", FxType::Reverb, setField(&Dx8Reverb::fReverbTime, 0.0f)},
      {"ReverbRatioOne", FxType::Reverb, setField(&Dx8Reverb::fHighFreqRTRatio, 1.0f)},
  };
}

// Records are at most 32 bytes; this holds any of them.
struct AnyRecord {
  alignas(4) unsigned char bytes[32] = {};
};

class RangeCheck : public ::testing::TestWithParam<RangeCase> {};

TEST_P(RangeCheck, RefusesTheWholeRecordAndKeepsEveryField) {
  auto effect = makeEffect(GetParam().type);
  AnyRecord before, candidate, after;
  effect->getParameters(before.bytes);
  // Move every field off its default first, by taking a valid record, so a refusal that
  // resets to defaults would show.
  AnyRecord valid = before;
  effect->getParameters(valid.bytes);
  switch (GetParam().type) {
    case FxType::Chorus: reinterpret_cast<Dx8Chorus*>(valid.bytes)->fWetDryMix = 70.0f; break;
    case FxType::Compressor: reinterpret_cast<Dx8Compressor*>(valid.bytes)->fRatio = 7.0f; break;
    case FxType::Distortion: reinterpret_cast<Dx8Distortion*>(valid.bytes)->fEdge = 70.0f; break;
    case FxType::Echo: reinterpret_cast<Dx8Echo*>(valid.bytes)->fFeedback = 70.0f; break;
    case FxType::Flanger: reinterpret_cast<Dx8Flanger*>(valid.bytes)->fDepth = 70.0f; break;
    case FxType::Gargle: reinterpret_cast<Dx8Gargle*>(valid.bytes)->dwRateHz = 70u; break;
    case FxType::ParamEq: reinterpret_cast<Dx8ParamEq*>(valid.bytes)->fGain = 7.0f; break;
    case FxType::Reverb: reinterpret_cast<Dx8Reverb*>(valid.bytes)->fReverbTime = 700.0f; break;
  }
  ASSERT_TRUE(effect->setParameters(valid.bytes));
  candidate = valid;
  // A second field changed alongside the bad one must not be taken either.
  switch (GetParam().type) {
    case FxType::Chorus: reinterpret_cast<Dx8Chorus*>(candidate.bytes)->fWetDryMix = 20.0f; break;
    case FxType::Compressor: reinterpret_cast<Dx8Compressor*>(candidate.bytes)->fRatio = 2.0f; break;
    case FxType::Distortion: reinterpret_cast<Dx8Distortion*>(candidate.bytes)->fEdge = 20.0f; break;
    case FxType::Echo: reinterpret_cast<Dx8Echo*>(candidate.bytes)->fFeedback = 20.0f; break;
    case FxType::Flanger: reinterpret_cast<Dx8Flanger*>(candidate.bytes)->fDepth = 20.0f; break;
    case FxType::Gargle: reinterpret_cast<Dx8Gargle*>(candidate.bytes)->dwRateHz = 20u; break;
    case FxType::ParamEq: reinterpret_cast<Dx8ParamEq*>(candidate.bytes)->fGain = 2.0f; break;
    case FxType::Reverb: reinterpret_cast<Dx8Reverb*>(candidate.bytes)->fReverbTime = 200.0f; break;
  }
  GetParam().spoil(candidate.bytes);
  EXPECT_FALSE(effect->setParameters(candidate.bytes));
  effect->getParameters(after.bytes);
  EXPECT_EQ(0, std::memcmp(valid.bytes, after.bytes, sizeof(after.bytes)));
}

INSTANTIATE_TEST_SUITE_P(OutOfRange, RangeCheck, ::testing::ValuesIn(rangeCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RangeCheck, AcceptsBothEndsOfEveryRange) {
  const Dx8Chorus chorus[] = {{0, 0, -99, 0, 0, 0, 0}, {100, 100, 99, 10, 1, 20, 4}};
  const Dx8Compressor compressor[] = {{-60, 0.01f, 50, -60, 1, 0}, {60, 500, 3000, 0, 100, 4}};
  const Dx8Distortion distortion[] = {{-60, 0, 100, 100, 100}, {0, 100, 8000, 8000, 8000}};
  const Dx8Echo echo[] = {{0, 0, 1, 1, 0}, {100, 100, 2000, 2000, 1}};
  const Dx8Flanger flanger[] = {{0, 0, -99, 0, 0, 0, 0}, {100, 100, 99, 10, 1, 4, 4}};
  const Dx8Gargle gargle[] = {{1, 0}, {1000, 1}};
  const Dx8ParamEq eq[] = {{80, 1, -15}, {16000, 36, 15}};
  const Dx8Reverb reverb[] = {{-96, -96, 0.001f, 0.001f}, {0, 0, 3000, 0.999f}};
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(makeEffect(FxType::Chorus)->setParameters(&chorus[i]));
    EXPECT_TRUE(makeEffect(FxType::Compressor)->setParameters(&compressor[i]));
    EXPECT_TRUE(makeEffect(FxType::Distortion)->setParameters(&distortion[i]));
    EXPECT_TRUE(makeEffect(FxType::Echo)->setParameters(&echo[i]));
    EXPECT_TRUE(makeEffect(FxType::Flanger)->setParameters(&flanger[i]));
    EXPECT_TRUE(makeEffect(FxType::Gargle)->setParameters(&gargle[i]));
    EXPECT_TRUE(makeEffect(FxType::ParamEq)->setParameters(&eq[i]));
    EXPECT_TRUE(makeEffect(FxType::Reverb)->setParameters(&reverb[i]));
  }
}

TEST(Defaults, AreTheStandardOnes) {
  Dx8Chorus chorus;
  makeEffect(FxType::Chorus)->getParameters(&chorus);
  EXPECT_EQ(chorus.fWetDryMix, 50.0f);
  EXPECT_EQ(chorus.fDepth, 10.0f);
  EXPECT_EQ(chorus.fFeedback, 25.0f);
  EXPECT_EQ(chorus.fFrequency, 1.1f);
  EXPECT_EQ(chorus.lWaveform, 1);
  EXPECT_EQ(chorus.fDelay, 16.0f);
  EXPECT_EQ(chorus.lPhase, 3);
  Dx8Compressor compressor;
  makeEffect(FxType::Compressor)->getParameters(&compressor);
  EXPECT_EQ(compressor.fGain, 0.0f);
  EXPECT_EQ(compressor.fAttack, 10.0f);
  EXPECT_EQ(compressor.fRelease, 200.0f);
  EXPECT_EQ(compressor.fThreshold, -20.0f);
  EXPECT_EQ(compressor.fRatio, 3.0f);
  EXPECT_EQ(compressor.fPredelay, 4.0f);
  Dx8Distortion distortion;
  makeEffect(FxType::Distortion)->getParameters(&distortion);
  EXPECT_EQ(distortion.fGain, -18.0f);
  EXPECT_EQ(distortion.fEdge, 15.0f);
  EXPECT_EQ(distortion.fPostEQCenterFrequency, 2400.0f);
  EXPECT_EQ(distortion.fPostEQBandwidth, 2400.0f);
  EXPECT_EQ(distortion.fPreLowpassCutoff, 8000.0f);
  Dx8Echo echo;
  makeEffect(FxType::Echo)->getParameters(&echo);
  EXPECT_EQ(echo.fWetDryMix, 50.0f);
  EXPECT_EQ(echo.fFeedback, 50.0f);
  EXPECT_EQ(echo.fLeftDelay, 500.0f);
  EXPECT_EQ(echo.fRightDelay, 500.0f);
  EXPECT_EQ(echo.lPanDelay, 0);
  Dx8Flanger flanger;
  makeEffect(FxType::Flanger)->getParameters(&flanger);
  EXPECT_EQ(flanger.fWetDryMix, 50.0f);
  EXPECT_EQ(flanger.fDepth, 100.0f);
  EXPECT_EQ(flanger.fFeedback, -50.0f);
  EXPECT_EQ(flanger.fFrequency, 0.25f);
  EXPECT_EQ(flanger.lWaveform, 1);
  EXPECT_EQ(flanger.fDelay, 2.0f);
  EXPECT_EQ(flanger.lPhase, 2);
  Dx8Gargle gargle;
  makeEffect(FxType::Gargle)->getParameters(&gargle);
  EXPECT_EQ(gargle.dwRateHz, 20u);
  EXPECT_EQ(gargle.dwWaveShape, 0u);
  Dx8ParamEq eq;
  makeEffect(FxType::ParamEq)->getParameters(&eq);
  EXPECT_EQ(eq.fCenter, 8000.0f);
  EXPECT_EQ(eq.fBandwidth, 12.0f);
  EXPECT_EQ(eq.fGain, 0.0f);
  Dx8Reverb reverb;
  makeEffect(FxType::Reverb)->getParameters(&reverb);
  EXPECT_EQ(reverb.fInGain, 0.0f);
  EXPECT_EQ(reverb.fReverbMix, 0.0f);
  EXPECT_EQ(reverb.fReverbTime, 1000.0f);
  EXPECT_EQ(reverb.fHighFreqRTRatio, 0.001f);
}

TEST(ParameterChange, MadeOnAnotherThreadIsHeardFromTheNextBlockWithoutAStep) {
  constexpr int kRate = 44100;
  constexpr int kBlock = 2048;
  auto eq = prepared(FxType::ParamEq, nullptr, kRate, 1);
  Dx8ParamEq p{1000.0f, 12.0f, 0.0f};
  ASSERT_TRUE(eq->setParameters(&p));
  Buffer input = sine(3 * kBlock, 1, kRate, 1000.0, 0.25);
  Buffer output = input;
  eq->process(output.data(), kBlock);
  std::thread setter([&] {
    const Dx8ParamEq louder{1000.0f, 12.0f, 12.0f};
    eq->setParameters(&louder);
  });
  setter.join();
  eq->process(output.data() + kBlock, kBlock);
  eq->process(output.data() + 2 * kBlock, kBlock);
  // The second block glides up to +12 dB; the third is there.
  EXPECT_NEAR(toDb(rms(output, 2 * kBlock, kBlock) / rms(input, 2 * kBlock, kBlock)), 12.0, 0.2);
  EXPECT_NEAR(toDb(rms(output, 3 * kBlock / 2, kBlock / 2) / rms(input, 3 * kBlock / 2, kBlock / 2)), 12.0, 0.3);
  // No step larger than the louder sine's own.
  const double sineStep = 2.0 * kPi * 1000.0 / kRate * 0.25 * std::pow(10.0, 12.0 / 20.0);
  EXPECT_LT(largestStep(output, 0, output.size()), 1.1 * sineStep);
}

}  // namespace
