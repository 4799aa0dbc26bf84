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

TEST_P(EveryEffect, GivesTheSameFiniteOutputHoweverTheAudioIsCutIntoBlocks) {
  for (int rate : {22050, 44100, 96000}) {
    for (int channels : {1, 2}) {
      const Buffer input = testSignal(rate / 2, channels, rate);
      auto whole = prepared(GetParam(), nullptr, rate, channels);
      auto single = prepared(GetParam(), nullptr, rate, channels);
      auto uneven = prepared(GetParam(), nullptr, rate, channels);
      const Buffer a = run(*whole, input, channels, {rate / 2});
      ASSERT_EQ(a, run(*single, input, channels, {1})) << rate << " Hz, " << channels << " channels";
      ASSERT_EQ(a, run(*uneven, input, channels, {0, 7, 1000, 3, 513, 64})) << rate << " Hz, " << channels;
      ASSERT_TRUE(std::all_of(a.begin(), a.end(), [](float v) { return std::isfinite(v); }));
      ASSERT_GT(rms(a, 0, a.size()), 1e-4);
      // After reset the effect has forgotten everything it heard.
      whole->reset();
      ASSERT_EQ(a, run(*whole, input, channels, {rate / 2}));
    }
  }
}

// A record that differs from the defaults in every field that sounds.
EffectRecord otherRecord(FxType type) {
  switch (type) {
    case FxType::Chorus:
      return Dx8Chorus{30, 40, 10, 2, 0, 8, 2};
    case FxType::Compressor:
      return Dx8Compressor{5, 20, 300, -30, 4, 2};
    case FxType::Distortion:
      return Dx8Distortion{-10, 30, 3000, 2000, 5000};
    case FxType::Echo:
      return Dx8Echo{40, 30, 200, 300, 0};
    case FxType::Flanger:
      return Dx8Flanger{40, 80, 20, 1, 0, 1, 3};
    case FxType::Gargle:
      return Dx8Gargle{40, 1};
    case FxType::ParamEq:
      return Dx8ParamEq{1000, 6, 7};
    case FxType::Reverb:
      break;
  }
  return Dx8Reverb{-3, -6, 800, 0.5f};
}

// Nothing has been heard of an effect before its first block: a record given by then is in
// force from the first sample, as if it had been given before prepare(), not reached by a
// glide from the defaults through values nobody asked for.
TEST_P(EveryEffect, TakesARecordGivenBeforeItsFirstBlockAtOnce) {
  constexpr int kRate = 44100;
  const Buffer input = testSignal(kRate / 10, 2, kRate);
  const EffectRecord record = otherRecord(GetParam());
  auto before = prepared(GetParam(), &record, kRate, 2);
  auto after = prepared(GetParam(), nullptr, kRate, 2);
  ASSERT_TRUE(after->setParameters(record));
  EXPECT_EQ(run(*before, input, 2, {512}), run(*after, input, 2, {512}));
}

INSTANTIATE_TEST_SUITE_P(AllTypes, EveryEffect, ::testing::ValuesIn(kAllTypes));

TEST(MakeEffect, MakesEachTypeAndNothingForUnknownNumbers) {
  for (FxType type : kAllTypes) EXPECT_EQ(makeEffect(type)->type(), type);
  for (int unknown : {-1, 6, 9}) EXPECT_EQ(makeEffect(static_cast<FxType>(unknown)), nullptr);
}

// One case per record field: a valid record, then the same record with one field outside
// its range. Refusal must leave every field as it was.
struct RangeCase {
  const char* name;
  FxType type;
  std::function<void(EffectRecord&)> spoil;
};

template <class Record, class Field>
std::function<void(EffectRecord&)> setField(Field Record::*field, Field value) {
  return [field, value](EffectRecord& r) { std::get<Record>(r).*field = value; };
}

const float kNan = std::nanf("");

std::vector<RangeCase> rangeCases() {
  return {
      {"ChorusWetAbove100", FxType::Chorus, setField(&Dx8Chorus::fWetDryMix, 100.5f)},
      {"ChorusWaveform2", FxType::Chorus, setField(&Dx8Chorus::lWaveform, 2)},
      {"ChorusDelayNan", FxType::Chorus, setField(&Dx8Chorus::fDelay, kNan)},
      {"CompressorGainAbove60", FxType::Compressor, setField(&Dx8Compressor::fGain, 60.5f)},
      {"CompressorAttackBelowMin", FxType::Compressor, setField(&Dx8Compressor::fAttack, 0.005f)},
      {"CompressorRatioBelow1", FxType::Compressor, setField(&Dx8Compressor::fRatio, 0.5f)},
      {"DistortionGainAbove0", FxType::Distortion, setField(&Dx8Distortion::fGain, 1.0f)},
      {"DistortionCentreBelow100", FxType::Distortion, setField(&Dx8Distortion::fPostEQCenterFrequency, 99.0f)},
      {"EchoFeedbackNegative", FxType::Echo, setField(&Dx8Echo::fFeedback, -1.0f)},
      {"EchoRightDelayAbove2000", FxType::Echo, setField(&Dx8Echo::fRightDelay, 2001.0f)},
      {"FlangerDelayAbove4", FxType::Flanger, setField(&Dx8Flanger::fDelay, 4.5f)},
      {"FlangerPhaseNegative", FxType::Flanger, setField(&Dx8Flanger::lPhase, -1)},
      {"GargleRate0", FxType::Gargle, setField(&Dx8Gargle::dwRateHz, 0u)},
      {"GargleShape2", FxType::Gargle, setField(&Dx8Gargle::dwWaveShape, 2u)},
      {"ParamEqCentreAbove16000", FxType::ParamEq, setField(&Dx8ParamEq::fCenter, 16001.0f)},
      {"ParamEqGainAbove15", FxType::ParamEq, setField(&Dx8ParamEq::fGain, 15.5f)},
      {"ReverbMixPositive", FxType::Reverb, setField(&Dx8Reverb::fReverbMix, 3.0f)},
      {"ReverbTimeZero", FxType::Reverb, setField(&Dx8Reverb::fReverbTime, 0.0f)},
  };
}

// Records hold only 32-bit fields, so two that are equal hold the same bytes.
bool sameRecord(const EffectRecord& a, const EffectRecord& b) {
  return a.index() == b.index() &&
         std::visit([&b](const auto& r) { return std::memcmp(&r, &std::get<std::decay_t<decltype(r)>>(b), sizeof r) == 0; },
                    a);
}

class RangeCheck : public ::testing::TestWithParam<RangeCase> {};

TEST_P(RangeCheck, RefusesTheWholeRecordAndKeepsEveryField) {
  auto effect = makeEffect(GetParam().type);
  const EffectRecord before = effect->parameters();
  // One valid field changed beside the bad one: a partial update would keep it.
  EffectRecord candidate = before;
  std::visit(
      [](auto& r) {
        using Record = std::decay_t<decltype(r)>;
        if constexpr (std::is_same_v<Record, Dx8Gargle>) {
          r.dwRateHz = 70u;
        } else if constexpr (std::is_same_v<Record, Dx8Distortion> || std::is_same_v<Record, Dx8Compressor>) {
          r.fGain = -7.0f;
        } else if constexpr (std::is_same_v<Record, Dx8Reverb>) {
          r.fInGain = -7.0f;
        } else if constexpr (std::is_same_v<Record, Dx8ParamEq>) {
          r.fCenter = 700.0f;
        } else {
          r.fWetDryMix = 7.0f;
        }
      },
      candidate);
  GetParam().spoil(candidate);
  EXPECT_FALSE(effect->setParameters(candidate));
  EXPECT_TRUE(sameRecord(before, effect->parameters()));
}

TEST(RangeCheck, ARecordOfAnotherKindIsRefused) {
  auto chorus = makeEffect(FxType::Chorus);
  const EffectRecord before = chorus->parameters();
  EXPECT_FALSE(chorus->setParameters(Dx8Flanger{10, 10, 0, 1, 1, 2, 2}));
  EXPECT_TRUE(sameRecord(before, chorus->parameters()));
}

INSTANTIATE_TEST_SUITE_P(OutOfRange, RangeCheck, ::testing::ValuesIn(rangeCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Both ends of every range, as 32-bit floats hold them (0.999 and 0.01 are not exact).
TEST(RangeCheck, AcceptsBothEndsOfEveryRange) {
  const auto takes = [](FxType type, const EffectRecord& record) { return makeEffect(type)->setParameters(record); };
  for (int hi = 0; hi < 2; ++hi) {
    EXPECT_TRUE(takes(FxType::Chorus, hi ? Dx8Chorus{100, 100, 99, 10, 1, 20, 4} : Dx8Chorus{0, 0, -99, 0, 0, 0, 0}));
    EXPECT_TRUE(takes(FxType::Compressor, hi ? Dx8Compressor{60, 500, 3000, 0, 100, 4} : Dx8Compressor{-60, 0.01f, 50, -60, 1, 0}));
    EXPECT_TRUE(takes(FxType::Distortion, hi ? Dx8Distortion{0, 100, 8000, 8000, 8000} : Dx8Distortion{-60, 0, 100, 100, 100}));
    EXPECT_TRUE(takes(FxType::Echo, hi ? Dx8Echo{100, 100, 2000, 2000, 1} : Dx8Echo{0, 0, 1, 1, 0}));
    EXPECT_TRUE(takes(FxType::Flanger, hi ? Dx8Flanger{100, 100, 99, 10, 1, 4, 4} : Dx8Flanger{0, 0, -99, 0, 0, 0, 0}));
    EXPECT_TRUE(takes(FxType::Gargle, hi ? Dx8Gargle{1000, 1} : Dx8Gargle{1, 0}));
    EXPECT_TRUE(takes(FxType::ParamEq, hi ? Dx8ParamEq{16000, 36, 15} : Dx8ParamEq{80, 1, -15}));
    EXPECT_TRUE(takes(FxType::Reverb, hi ? Dx8Reverb{0, 0, 3000, 0.999f} : Dx8Reverb{-96, -96, 0.001f, 0.001f}));
  }
}

TEST(ParameterChange, MadeOnAnotherThreadIsHeardFromTheNextBlockWithoutAStep) {
  constexpr int kRate = 44100;
  constexpr int kBlock = 2048;
  auto eq = prepared(FxType::ParamEq, nullptr, kRate, 1);
  Dx8ParamEq p{1000.0f, 12.0f, 0.0f};
  ASSERT_TRUE(eq->setParameters(p));
  Buffer input = sine(3 * kBlock, 1, kRate, 1000.0, 0.25);
  Buffer output = input;
  eq->process(output.data(), kBlock);
  std::thread setter([&] {
    const Dx8ParamEq louder{1000.0f, 12.0f, 12.0f};
    eq->setParameters(louder);
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
