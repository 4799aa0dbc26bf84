// The effect chain: handle rules, running order by priority and by order added, clickless
// insertion and removal, and one thread changing the chain while another runs it.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

#include "audio/engine/EffectChain.h"
#include "tests/audio/support/DspSignals.h"

using namespace audio;
using namespace dspsignals;

namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 512;
const FxType kAllTypes[] = {FxType::Chorus, FxType::Compressor, FxType::Distortion, FxType::Echo,
                            FxType::Flanger, FxType::Gargle, FxType::ParamEq, FxType::Reverb};

TEST(EffectChain, HandleRules) {
  EffectChain chain;
  chain.prepare(kRate, 2, kBlock);
  EXPECT_TRUE(chain.empty());
  EXPECT_FALSE(chain.add(1, static_cast<FxType>(6), 0)) << "type 6 names no effect";
  EXPECT_TRUE(chain.empty());
  ASSERT_TRUE(chain.add(1, FxType::Echo, 0));
  ASSERT_TRUE(chain.add(2, FxType::Reverb, 1));
  EXPECT_FALSE(chain.add(2, FxType::Gargle, 0)) << "a handle names one live instance";
  EXPECT_FALSE(chain.empty());
  ASSERT_NE(chain.find(1), nullptr);
  EXPECT_EQ(chain.find(1)->type(), FxType::Echo);
  EXPECT_EQ(chain.find(2)->type(), FxType::Reverb);
  EXPECT_EQ(chain.find(3), nullptr);
  EXPECT_FALSE(chain.remove(3));
  EXPECT_TRUE(chain.remove(1));
  EXPECT_FALSE(chain.remove(1)) << "a second removal is refused";
  EXPECT_EQ(chain.find(1), nullptr);
  EXPECT_TRUE(chain.add(1, FxType::Gargle, 0)) << "a removed handle may be used again";
  EXPECT_EQ(chain.find(1)->type(), FxType::Gargle);
  EXPECT_TRUE(chain.remove(1));
  EXPECT_TRUE(chain.remove(2));
  EXPECT_TRUE(chain.empty());
}

// Runs `chain` over `input` in blocks of kBlock and returns the output.
Buffer runChain(EffectChain& chain, Buffer signal, int channels) {
  const int frames = static_cast<int>(signal.size()) / channels;
  for (int done = 0; done < frames; done += kBlock)
    chain.process(signal.data() + static_cast<size_t>(done) * channels, std::min(kBlock, frames - done));
  return signal;
}

// A pure 1 ms delay (a fully wet echo without feedback) and a gargle do not commute: which
// ran first shows in the output.
const Dx8Echo kDelayOnly{100.0f, 0.0f, 1.0f, 1.0f, 0};
const Dx8Gargle kGargle{50u, 0u};

Buffer reference(bool echoFirst, const Buffer& input) {
  if (echoFirst) return render(FxType::Gargle, kGargle, kRate, 1, render(FxType::Echo, kDelayOnly, kRate, 1, input));
  return render(FxType::Echo, kDelayOnly, kRate, 1, render(FxType::Gargle, kGargle, kRate, 1, input));
}

struct OrderCase {
  const char* name;
  int echoPriority;
  int garglePriority;
  bool echoAddedFirst;
  bool echoRunsFirst;
};

class ChainOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(ChainOrder, HigherPriorityRunsEarlierAndEqualPrioritiesInTheOrderAdded) {
  const OrderCase& c = GetParam();
  EffectChain chain;
  chain.prepare(kRate, 1, kBlock);
  const auto addEcho = [&] { ASSERT_TRUE(chain.add(10, FxType::Echo, c.echoPriority)); };
  const auto addGargle = [&] { ASSERT_TRUE(chain.add(20, FxType::Gargle, c.garglePriority)); };
  if (c.echoAddedFirst) {
    addEcho();
    addGargle();
  } else {
    addGargle();
    addEcho();
  }
  ASSERT_TRUE(chain.find(10)->setParameters(kDelayOnly));
  ASSERT_TRUE(chain.find(20)->setParameters(kGargle));
  const Buffer input = sine(kRate / 4, 1, kRate, 700.0, 0.5);
  const Buffer out = runChain(chain, input, 1);
  const Buffer expected = reference(c.echoRunsFirst, input);
  const Buffer other = reference(!c.echoRunsFirst, input);
  // Past the fade-in and the delay, the chain matches the expected order only.
  double error = 0.0, otherError = 0.0;
  for (size_t i = kRate / 50; i < out.size(); ++i) {
    error = std::max(error, std::abs(static_cast<double>(out[i]) - expected[i]));
    otherError = std::max(otherError, std::abs(static_cast<double>(out[i]) - other[i]));
  }
  EXPECT_LT(error, 1e-5);
  EXPECT_GT(otherError, 1e-2);
}

INSTANTIATE_TEST_SUITE_P(Priorities, ChainOrder,
                         ::testing::Values(OrderCase{"HigherAddedLater", 1, 0, false, true},
                                           OrderCase{"LowerAddedFirst", 0, 1, true, false},
                                           OrderCase{"EqualEchoAddedFirst", 0, 0, true, true},
                                           OrderCase{"EqualGargleAddedFirst", 0, 0, false, false},
                                           OrderCase{"EqualNegative", -5, -5, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

class ChainClick : public ::testing::TestWithParam<FxType> {};

TEST_P(ChainClick, AddingOrRemovingDuringASineMakesNoClick) {
  constexpr int kChannels = 2;
  EffectChain chain;
  chain.prepare(kRate, kChannels, kBlock);
  Buffer signal = sine(kRate, kChannels, kRate, 440.0, 0.5);
  const int addAt = (kRate * 3 / 10) / kBlock * kBlock;
  const int removeAt = (kRate * 6 / 10) / kBlock * kBlock;
  for (int done = 0; done < kRate; done += kBlock) {
    if (done == addAt) {
      ASSERT_TRUE(chain.add(1, GetParam(), 0));
    }
    if (done == removeAt) {
      ASSERT_TRUE(chain.remove(1));
    }
    chain.process(signal.data() + static_cast<size_t>(done) * kChannels, std::min(kBlock, kRate - done));
  }
  const size_t window = kRate / 50;
  // An instance that is added is heard once it has warmed up.
  const size_t adding = static_cast<size_t>(EffectChain::kWarmUpSeconds * kRate) + window;
  for (int c = 0; c < kChannels; ++c) {
    const auto x = channel(signal, kChannels, c);
    const double off = largestStep(x, 0, addAt);
    const double on = largestStep(x, addAt + adding, removeAt - addAt - adding);
    const double bound = 1.2 * std::max(off, on) + 0.002;
    EXPECT_LT(largestStep(x, addAt, adding), bound) << "channel " << c << " on adding";
    EXPECT_LT(largestStep(x, removeAt, window), bound) << "channel " << c << " on removing";
    // Once faded out, the sine passes untouched again.
    const auto after = static_cast<size_t>(removeAt) + window;
    const Buffer clean = sine(kRate, 1, kRate, 440.0, 0.5);
    for (size_t i = after; i < x.size(); ++i) ASSERT_EQ(x[i], clean[i]) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(AllTypes, ChainClick, ::testing::ValuesIn(kAllTypes));

// Switching effects on while the chain runs: the level goes from where it was to where the
// effects put it, never through silence and never beyond both.
struct SwitchCase {
  const char* name;
  FxType type;
  int instances;
  EffectRecord (*record)(int instance);
  Buffer (*signal)(int frames);
};

const float kBandCentres[10] = {80, 170, 310, 600, 1000, 3000, 6000, 10000, 12000, 14000};

const SwitchCase kSwitchCases[] = {
    // All reverb and no direct sound: the reverb's output only begins with its first
    // reflection, some 30 ms after the sound that went in.
    {"ReverbTakesOverWithoutADropOut", FxType::Reverb, 1, [](int) -> EffectRecord { return Dx8Reverb{0, 0, 1000, 0.1f}; },
     [](int frames) {
       Buffer b = noise(frames, 2, 0.3);
       const Buffer tone = sine(frames, 2, kRate, 330.0, 0.3);
       for (size_t i = 0; i < b.size(); ++i) b[i] += tone[i];
       return b;
     }},
    // Ten bands at +7 dB, their records given as they go in; a tone between two low bands
    // rings in a band that starts from rest.
    {"EqualizerBandsRiseWithoutOvershoot", FxType::ParamEq, 10,
     [](int band) -> EffectRecord { return Dx8ParamEq{kBandCentres[band], 3, 7}; },
     [](int frames) { return sine(frames, 2, kRate, 100.0, 0.3); }},
};

class ChainSwitch : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(ChainSwitch, TheLevelGoesFromTheOldToTheNewWithoutPassingEither) {
  const SwitchCase& c = GetParam();
  const int frames = 2 * kRate;
  const Buffer input = c.signal(frames);
  const auto level = [](const Buffer& b, int from, int count) { return rms(channel(b, 2, 0), from, count); };
  const auto heard = [&](int addAt) {
    EffectChain chain;
    chain.prepare(kRate, 2, kBlock);
    Buffer out = input;
    std::vector<uint32_t> handles(c.instances);
    for (int i = 0; i < c.instances; ++i) handles[i] = i + 1;
    for (int done = 0; done < frames; done += kBlock) {
      if (done == addAt) {
        EXPECT_TRUE(chain.add(handles, c.type, 0));
        for (int i = 0; i < c.instances; ++i) EXPECT_TRUE(chain.find(handles[i])->setParameters(c.record(i)));
      }
      chain.process(out.data() + static_cast<size_t>(done) * 2, std::min(kBlock, frames - done));
    }
    return out;
  };
  const int addAt = kRate / 2 / kBlock * kBlock;
  const Buffer out = heard(addAt);
  // The same effects in from the start give the level they settle at.
  const Buffer settled = heard(0);
  const int window = kRate / 100;
  const double before = level(input, addAt - window, window);
  const double after = level(settled, frames - window, window);
  for (int at = addAt; at + window <= frames; at += window / 4) {
    const double now = level(out, at, window);
    ASSERT_GT(now, 0.5 * std::min(before, after)) << (at - addAt) * 1000.0 / kRate << " ms after adding";
    ASSERT_LT(now, 1.01 * std::max(level(input, at, window), level(settled, at, window)))
        << (at - addAt) * 1000.0 / kRate << " ms after adding";
  }
}

INSTANTIATE_TEST_SUITE_P(Switches, ChainSwitch, ::testing::ValuesIn(kSwitchCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Run under ThreadSanitizer and AddressSanitizer: the chain's publication and retirement of
// lists, and the effects' parameter records, must be free of races and of use after free.
TEST(EffectChain, ChangesFromOneThreadWhileAnotherRunsTheChain) {
  constexpr int kFrames = 256;
  EffectChain chain;
  chain.prepare(kRate, 2, kFrames);
  std::atomic<bool> stop{false};
  std::atomic<int> blocks{0};
  bool finite = true;
  std::thread audioThread([&] {
    const Buffer source = sine(kFrames, 2, kRate, 440.0, 0.5);
    while (!stop.load()) {
      Buffer block = source;
      chain.process(block.data(), kFrames);
      finite = finite && std::all_of(block.begin(), block.end(), [](float v) { return std::isfinite(v); });
      blocks.fetch_add(1);
    }
  });
  for (uint32_t handle = 1; handle <= 300; ++handle) {
    ASSERT_TRUE(chain.add(handle, kAllTypes[handle % 8], static_cast<int>(handle % 3)));
    // An equaliser band's record: the bands take it, the rest refuse it.
    const Dx8ParamEq band{1000.0f + handle, 3.0f, static_cast<float>(handle % 15)};
    chain.find(handle)->setParameters(band);
    chain.find(handle)->parameters();
    if (handle > 4) {
      EXPECT_TRUE(chain.remove(handle - 4));
    }
    // Now and then let the audio thread run a few blocks, so fades finish and lists retire.
    const int seen = blocks.load();
    while (handle % 16 == 0 && blocks.load() < seen + 3) std::this_thread::yield();
  }
  for (uint32_t handle = 297; handle <= 300; ++handle) EXPECT_TRUE(chain.remove(handle));
  EXPECT_TRUE(chain.empty());
  stop = true;
  audioThread.join();
  EXPECT_TRUE(finite);
}

}  // namespace
