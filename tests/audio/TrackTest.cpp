// The track object on the manual clock: its play-state table, byte and time getters,
// file opening rules, and the effect and equaliser operations with their range rules.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <future>
#include <memory>
#include <numbers>
#include <vector>

#include "audio/TETrack.h"
#include "audio/decode/Decoder.h"
#include "audio/engine/Channel.h"
#include "audio/output/ManualClockOutput.h"
#include "tests/audio/support/AudioFixtures.h"

namespace {

using audio::Activity;
using audio::Engine;

constexpr int kRate = 44100;
using Seconds = std::chrono::duration<double>;

// An AIFF whose header announces `announcedFrames` stereo frames while the file holds
// only `heldFrames`: the container's length is then far from the decoded one.
std::string writeLongAiff(const std::string& name, uint32_t announcedFrames, uint32_t heldFrames) {
  auto be = [](std::string& out, uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xff);
  };
  std::string comm = "COMM";
  be(comm, 18, 4);
  be(comm, 2, 2);
  be(comm, announcedFrames, 4);
  be(comm, 16, 2);
  // 44100 as an 80-bit extended float: exponent 16383 + 15, mantissa 44100 << 48.
  be(comm, 16383 + 15, 2);
  be(comm, uint64_t{44100} << 48, 8);
  std::string ssnd = "SSND";
  be(ssnd, 8 + heldFrames * 4, 4);
  be(ssnd, 0, 8);
  ssnd.append(heldFrames * 4, '\x10');
  std::string form = "AIFF" + comm + ssnd;
  std::string file = "FORM";
  be(file, form.size(), 4);
  file += form;
  const std::string path = fixtures::tempDir() + "/" + name;
  std::ofstream(path, std::ios::binary) << file;
  return path;
}

class TrackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine::setOutputFactory([](int rate) { return std::make_unique<audio::ManualClockOutput>(rate); });
    track_ = std::make_unique<TETrack>();
    tone_ = fixtures::writeSineWav("tone.wav", kRate, 2, 440.0, 1.0);
    other_ = fixtures::writeSineWav("other.wav", kRate, 1, 880.0, 0.5);
  }
  void TearDown() override {
    track_.reset();
    Engine::setOutputFactory(nullptr);
  }
  static audio::ManualClockOutput& clock() {
    return *static_cast<audio::ManualClockOutput*>(Engine::instance().output());
  }
  static void render(int frames) { clock().render(frames); }
  // Files open in the background; the tests that read what a file holds wait for that.
  void awaitOpen() const { Engine::instance().streamAwaitOpen(track_->Stream); }
  // Lets the file given last finish opening, or failing, and tells which it was.
  OpenProgress awaitOpening() const {
    Engine::instance().streamAwaitOpen(track_->OpeningStream());
    return track_->LastOpenProgress();
  }

  std::unique_ptr<TETrack> track_;
  std::string tone_;
  std::string other_;
};

TEST_F(TrackTest, WithoutAStreamGettersAnswerZeroAndSettersOnlyStore) {
  EXPECT_EQ(track_->GetLengthBytes(), 0);
  EXPECT_EQ(track_->GetPositionTime().count(), 0.0);
  track_->SetVolume(7);
  track_->ConnectEqualizer();
  track_->SetEq600(5.0f);
  EXPECT_EQ(track_->LastVolume, 7);
  EXPECT_EQ(track_->BandGains[3], 5.0f);
  for (auto band : track_->EqBands) EXPECT_EQ(band, 0u);
}

TEST_F(TrackTest, ANewFileReplacesTheStreamOnlyOnceItIsOpenAndIsNamedAfterTheLastSlash) {
  // With no stream to keep, the new one is the track's at once; a file that is not audio
  // then leaves the track without a stream once it has failed to open.
  const std::string junk = fixtures::tempDir() + "/junk.mp3";
  std::ofstream(junk) << "not audio at all";
  track_->OpenFile(junk);
  EXPECT_EQ(track_->FileName, "junk.mp3");
  EXPECT_EQ(awaitOpening(), OpenProgress::Failed);
  EXPECT_EQ(track_->Stream, 0u);
  track_->OpenFile(fixtures::writeSineWav("a\\b:c.wav", kRate, 1, 440.0, 0.1));
  EXPECT_EQ(awaitOpening(), OpenProgress::Open);
  EXPECT_EQ(track_->FileName, "a\\b:c.wav");
  // An open stream stays until the new file is open.
  track_->OpenFile(tone_);
  EXPECT_EQ(track_->FileName, "a\\b:c.wav");
  EXPECT_EQ(awaitOpening(), OpenProgress::Open);
  EXPECT_EQ(track_->FileName, "tone.wav");
  const auto stream = track_->Stream;
  const DayFraction length = track_->GetLengthTime();
  // A path that names no file that opens changes nothing: a folder, a missing file, no path,
  // one with a NUL inside (which must not open the file named by the text before it), a file
  // that is not audio.
  const std::string withNul = other_ + std::string(1, '\0') + "x";
  for (const std::string& path : {fixtures::tempDir(), fixtures::tempDir() + "/missing.wav",
                                  std::string(), withNul, junk}) {
    track_->OpenFile(path);
    EXPECT_EQ(awaitOpening(), OpenProgress::Failed) << path;
    EXPECT_EQ(track_->Stream, stream) << path;
    EXPECT_EQ(track_->FileName, "tone.wav") << path;
    EXPECT_EQ(track_->GetLengthTime(), length) << path;
  }
}

TEST_F(TrackTest, PlayStateTableHoldsAndPauseResumesWhereItStopped) {
  track_->OpenFile(tone_);
  track_->Pause();
  EXPECT_EQ(track_->State, PlayState::Stopped);
  track_->Play();
  track_->Play();
  EXPECT_EQ(track_->State, PlayState::Playing);
  render(1000);
  track_->Pause();
  EXPECT_EQ(track_->State, PlayState::Paused);
  track_->Stop();  // Does nothing while paused.
  EXPECT_EQ(track_->State, PlayState::Paused);
  EXPECT_EQ(track_->GetPositionBytes(), 4000);
  track_->Play();
  render(500);
  EXPECT_EQ(track_->GetPositionBytes(), 6000);
  track_->Stop();
  EXPECT_EQ(track_->State, PlayState::Stopped);
  EXPECT_EQ(track_->GetPositionBytes(), 0);
  EXPECT_EQ(Engine::instance().isActive(track_->Stream), Activity::Stopped);
}

TEST_F(TrackTest, OpenFileWhilePausedKeepsPausedAndPlayStartsTheNewStreamAtZero) {
  track_->OpenFile(tone_);
  track_->Play();
  render(2000);
  track_->Pause();
  const auto old = track_->Stream;
  track_->OpenFile(other_);
  EXPECT_EQ(track_->Stream, old) << "until the new file is open";
  ASSERT_EQ(awaitOpening(), OpenProgress::Open);
  EXPECT_NE(track_->Stream, old);
  EXPECT_EQ(Engine::instance().isActive(old), Activity::Stopped);
  EXPECT_EQ(track_->State, PlayState::Paused);
  EXPECT_EQ(track_->GetPositionBytes(), 0);
  track_->Play();
  // The paused stream was let go before its fade-out was heard; the new one waits for it.
  render(audio::Channel::fadeFrames(kRate) + 100);
  EXPECT_EQ(track_->GetPositionBytes(), 100 * 2);  // Mono: two bytes a frame.
}

TEST_F(TrackTest, SeekBytesMovesOnlyToPositionsBeforeTheEnd) {
  track_->OpenFile(tone_);
  awaitOpen();
  const int32_t length = track_->GetLengthBytes();
  ASSERT_EQ(length, kRate * 4);
  track_->SeekBytes(length);
  EXPECT_EQ(track_->GetPositionBytes(), 0);
  track_->SeekBytes(length + 100);
  EXPECT_EQ(track_->GetPositionBytes(), 0);
  track_->SeekBytes(-4);
  EXPECT_EQ(track_->GetPositionBytes(), 0);
  track_->SeekBytes(length - 1);
  EXPECT_EQ(track_->GetPositionBytes(), length - 4);  // Rounded down to a whole frame.
  track_->SeekBytes(4000);
  EXPECT_NEAR(Seconds(track_->GetPositionTime()).count(), 1000.0 / kRate, 1e-12);
  // A time moves to its share of the length; the end and beyond, or before the start, do not.
  track_->SeekTime(Seconds(0.25));
  EXPECT_EQ(track_->GetPositionBytes(), kRate);
  for (const double ignored : {1.0, 7.0, -0.5, std::nan("")}) {
    track_->SeekTime(Seconds(ignored));
    EXPECT_EQ(track_->GetPositionBytes(), kRate) << ignored;
  }
}

TEST_F(TrackTest, LengthsPast2GiBGiveTheLow32BitsButTheRightTime) {
  constexpr uint32_t kAnnounced = 0x30000000;  // 3 GiB of stereo 16-bit frames.
  // Two seconds held: more than the decoding thread reads ahead, so the end is not known yet.
  constexpr uint32_t kHeld = 2 * kRate;
  track_->OpenFile(writeLongAiff("long.aiff", kAnnounced, kHeld));
  ASSERT_NE(track_->Stream, 0u);
  awaitOpen();
  EXPECT_EQ(track_->GetLengthBytes(), static_cast<int32_t>(0xC0000000u));
  EXPECT_NEAR(Seconds(track_->GetLengthTime()).count(), double{kAnnounced} / kRate, 1e-6);
  // The announced length is only an estimate: at the end the position equals the real one.
  track_->Play();
  for (int i = 0; i < 40 && Engine::instance().isActive(track_->Stream) != Activity::Stopped; ++i) {
    render(4096);
  }
  EXPECT_EQ(Engine::instance().isActive(track_->Stream), Activity::Stopped);
  EXPECT_EQ(track_->GetLengthBytes(), static_cast<int32_t>(kHeld * 4));
  EXPECT_EQ(track_->GetPositionBytes(), track_->GetLengthBytes());
}

TEST_F(TrackTest, EachEffectKindFillsItsOwnSlotWithItsOwnType) {
  track_->OpenFile(tone_);
  struct Case {
    EffectKind kind;
    int slot;
    audio::FxType type;
  };
  const Case cases[] = {{EffectKind::Chorus, 0, audio::FxType::Chorus},
                        {EffectKind::Compressor, 1, audio::FxType::Compressor},
                        {EffectKind::Distortion, 2, audio::FxType::Distortion},
                        {EffectKind::Flanger, 4, audio::FxType::Flanger},
                        {EffectKind::Gargle, 5, audio::FxType::Gargle},
                        {EffectKind::Reverb, 6, audio::FxType::Reverb},
                        {EffectKind::Echo, 3, audio::FxType::Echo}};
  for (const Case& c : cases) {
    track_->EnableEffect(c.kind);
    const audio::FxHandle fx = track_->EffectHandles[c.slot];
    ASSERT_NE(fx, 0u) << "slot " << c.slot;
    // The instance answers to its own record type only.
    audio::Dx8Echo echo{};
    audio::Dx8Chorus chorus{};
    EXPECT_EQ(Engine::instance().fxGetParameters(fx, echo), c.type == audio::FxType::Echo);
    EXPECT_EQ(Engine::instance().fxGetParameters(fx, chorus), c.type == audio::FxType::Chorus);
  }
  audio::FxHandle before[7];
  std::copy(std::begin(track_->EffectHandles), std::end(track_->EffectHandles), before);
  track_->EnableEffect(static_cast<EffectKind>(7));
  track_->DisableEffect(static_cast<EffectKind>(200));
  EXPECT_TRUE(std::equal(std::begin(before), std::end(before), std::begin(track_->EffectHandles)));
}

TEST_F(TrackTest, AnEffectIsOnAStreamOnceAndDiesWithIt) {
  track_->OpenFile(tone_);
  track_->EnableEffect(EffectKind::Compressor);
  const auto first = track_->EffectHandles[1];
  track_->EnableEffect(EffectKind::Compressor);
  EXPECT_EQ(track_->EffectHandles[1], first) << "no second instance";
  track_->DisableEffect(EffectKind::Compressor);
  track_->DisableEffect(EffectKind::Compressor);
  EXPECT_EQ(track_->EffectHandles[1], first);  // Slots are never cleared.
  audio::Dx8Compressor record{};
  EXPECT_FALSE(Engine::instance().fxGetParameters(first, record));
  track_->EnableEffect(EffectKind::Compressor);
  const auto again = track_->EffectHandles[1];
  EXPECT_NE(again, first);
  EXPECT_TRUE(Engine::instance().fxGetParameters(again, record));
  // Effects die with their stream, and the next stream gets one of its own.
  track_->OpenFile(other_);
  EXPECT_FALSE(Engine::instance().fxGetParameters(again, record));
  track_->EnableEffect(EffectKind::Compressor);
  EXPECT_TRUE(Engine::instance().fxGetParameters(track_->EffectHandles[1], record));
}

TEST_F(TrackTest, EffectSettersTruncateAndTakeOnlyValuesStrictlyInsideTheirRanges) {
  track_->OpenFile(tone_);
  for (auto kind : {EffectKind::Compressor, EffectKind::Reverb, EffectKind::Flanger}) {
    track_->EnableEffect(kind);
  }
  Engine& engine = Engine::instance();
  audio::Dx8Compressor compressor{};
  for (const auto& [gain, expected] : {std::pair{7.9f, 7.0f}, {60.0f, 7.0f}, {-7.9f, -7.0f},
                                      {-60.0f, -7.0f}, {std::nanf(""), -7.0f}}) {
    track_->SetCompressorGain(gain);
    engine.fxGetParameters(track_->EffectHandles[1], compressor);
    EXPECT_EQ(compressor.fGain, expected) << gain;
  }
  track_->ReverbParams = audio::Dx8Reverb{-5.0f, -5.0f, 50.0f, 0.5f};
  track_->SetReverbMix(-3.7f);
  audio::Dx8Reverb reverb{};
  engine.fxGetParameters(track_->EffectHandles[6], reverb);
  EXPECT_EQ(reverb.fInGain, 0.0f);
  EXPECT_EQ(reverb.fReverbMix, -3.0f);
  EXPECT_EQ(reverb.fReverbTime, 1000.0f);
  EXPECT_EQ(reverb.fHighFreqRTRatio, 0.1f);
  track_->SetFlanger(30, 40, 10, 2, 1);
  track_->SetFlanger(0, 50, 0, 5, 4);  // Wet/dry 0 and delay 4 lie on their bounds.
  audio::Dx8Flanger flanger{};
  engine.fxGetParameters(track_->EffectHandles[4], flanger);
  EXPECT_EQ(flanger.fWetDryMix, 30.0f);
  EXPECT_EQ(flanger.fDepth, 50.0f);
  EXPECT_EQ(flanger.fFeedback, 0.0f);
  EXPECT_EQ(flanger.fFrequency, 5.0f);
  EXPECT_EQ(flanger.fDelay, 1.0f);
  EXPECT_EQ(flanger.lWaveform, 1);
  EXPECT_EQ(flanger.lPhase, 1);
}

TEST_F(TrackTest, EqualizerBandsCarryTheirCentresAndClampedGains) {
  track_->OpenFile(tone_);
  track_->ConnectEqualizer();
  const float centres[10] = {80, 170, 310, 600, 1000, 3000, 6000, 10000, 12000, 14000};
  for (int band = 0; band < 10; ++band) {
    audio::Dx8ParamEq record{};
    ASSERT_TRUE(Engine::instance().fxGetParameters(track_->EqBands[band], record));
    EXPECT_EQ(record.fCenter, centres[band]);
    EXPECT_EQ(record.fBandwidth, 3.0f);
    EXPECT_EQ(record.fGain, 0.0f);
  }
  track_->SetEq1000(7.0f);
  track_->SetEq80(14.9f);
  track_->SetEq14000(-14.9f);
  track_->SetEq14000(15.0f);
  audio::Dx8ParamEq record{};
  Engine::instance().fxGetParameters(track_->EqBands[4], record);
  EXPECT_EQ(record.fGain, 7.0f);
  Engine::instance().fxGetParameters(track_->EqBands[0], record);
  EXPECT_EQ(record.fGain, 14.0f);
  Engine::instance().fxGetParameters(track_->EqBands[9], record);
  EXPECT_EQ(record.fGain, -14.0f);
  EXPECT_EQ(record.fCenter, 14000.0f);
  EXPECT_EQ(track_->BandGains[9], 15.0f);
  EXPECT_EQ(track_->BandGains[4], 7.0f);

  audio::FxHandle bands[10];
  std::copy(std::begin(track_->EqBands), std::end(track_->EqBands), bands);
  track_->DisconnectEqualizer();
  for (int band = 0; band < 10; ++band) {
    EXPECT_EQ(track_->EqBands[band], bands[band]);
    EXPECT_FALSE(Engine::instance().fxGetParameters(bands[band], record));
  }
  track_->ConnectEqualizer();
  EXPECT_NE(track_->EqBands[0], bands[0]);
  std::copy(std::begin(track_->EqBands), std::end(track_->EqBands), bands);
  track_->ConnectEqualizer();
  EXPECT_TRUE(std::equal(std::begin(bands), std::end(bands), std::begin(track_->EqBands))) << "no second set";
  track_->OpenFile(other_);
  track_->ConnectEqualizer();
  EXPECT_NE(track_->EqBands[0], bands[0]) << "a new stream gets bands of its own";
  EXPECT_TRUE(Engine::instance().fxGetParameters(track_->EqBands[0], record));
}


// --- Transitions a listener hears -----------------------------------------------------------

// The left channel of everything rendered, piece by piece.
class Listener {
 public:
  void hear(int frames) {
    const auto& stereo = static_cast<audio::ManualClockOutput*>(Engine::instance().output())->render(frames);
    for (size_t i = 0; i < stereo.size(); i += 2) left_.push_back(stereo[i]);
  }
  // The largest step between two samples for the level around it. A tone's own steps stay
  // within 2 pi f / rate of its amplitude however loud it is; a click stands far above that.
  double largestStep() const {
    double step = 0.0;
    for (size_t i = 1; i < left_.size(); ++i) step = std::max(step, std::abs(double{left_[i]} - left_[i - 1]));
    return step;
  }
  double steepestForTheLevel() const {
    constexpr size_t kAround = 44;  // a period of the 1 kHz tone on either side
    constexpr double kInaudible = 1e-3;
    double steepest = 0.0;
    for (size_t i = 1; i < left_.size(); ++i) {
      const auto from = left_.begin() + static_cast<ptrdiff_t>(i > kAround ? i - kAround : 0);
      const auto to = left_.begin() + static_cast<ptrdiff_t>(std::min(left_.size(), i + kAround));
      const auto [low, high] = std::minmax_element(from, to);
      const double level = std::max(-double{*low}, double{*high});
      if (level < kInaudible) continue;
      steepest = std::max(steepest, std::abs(double{left_[i]} - left_[i - 1]) / level);
    }
    return steepest;
  }
  const std::vector<float>& left() const { return left_; }

 private:
  std::vector<float> left_;
};

constexpr double kLoudHz = 1000.0;
constexpr double kLoud = 0.9;

const std::array<void (TETrack::*)(float), 10> kBandSetters = {
    &TETrack::SetEq80,   &TETrack::SetEq170,   &TETrack::SetEq310,   &TETrack::SetEq600,   &TETrack::SetEq1000,
    &TETrack::SetEq3000, &TETrack::SetEq6000, &TETrack::SetEq10000, &TETrack::SetEq12000, &TETrack::SetEq14000};

// What the effects page can put on a stream: nothing, one of the seven effects, or the
// equaliser with every band raised.
struct SoundCase {
  const char* name;
  bool effects;
  void (*switchOn)(TETrack& track);
};

const SoundCase kSoundCases[] = {
    {"Dry", false, [](TETrack&) {}},
    {"Chorus", true, [](TETrack& track) { track.EnableEffect(EffectKind::Chorus); }},
    {"Compressor", true, [](TETrack& track) { track.EnableEffect(EffectKind::Compressor); }},
    {"Distortion", true, [](TETrack& track) { track.EnableEffect(EffectKind::Distortion); }},
    {"Flanger", true, [](TETrack& track) { track.EnableEffect(EffectKind::Flanger); }},
    {"Gargle", true, [](TETrack& track) { track.EnableEffect(EffectKind::Gargle); }},
    {"Reverb", true, [](TETrack& track) { track.EnableEffect(EffectKind::Reverb); }},
    {"Echo", true, [](TETrack& track) { track.EnableEffect(EffectKind::Echo); }},
    {"Equalizer", true,
     [](TETrack& track) {
       track.ConnectEqualizer();
       for (auto setBand : kBandSetters) (track.*setBand)(7.0f);
     }},
};

class TrackClickTest : public TrackTest, public ::testing::WithParamInterface<SoundCase> {};

// Every transport change, with the effects ringing out across it: no step between two
// samples is steeper, for the level around it, than the same tone through the same effects
// played straight through, give or take what the fades' slopes add; a click is several times
// steeper. Without effects, where nothing rings on, no step is larger than the tone's own:
// a new file does not sound over the old one fading out. The files start on a zero
// crossing, so that their own starts make no step either.
TEST_P(TrackClickTest, PauseResumeSeekStopAndANewFileMakeNoClick) {
  const SoundCase& sound = GetParam();
  const std::string loud = fixtures::writeSineWav("loud.wav", kRate, 2, kLoudHz, 3.0, kLoud);
  const std::string next = fixtures::writeSineWav("loud-next.wav", kRate, 2, kLoudHz, 1.0, kLoud);
  // Long enough that an echo's first repeat is heard before the pause.
  constexpr int kBeforePause = kRate;
  constexpr int kStep = 3000;
  Listener straight;
  track_->OpenFile(loud);
  sound.switchOn(*track_);
  track_->Play();
  straight.hear(kBeforePause + 6 * kStep);
  // A fresh engine: nothing of the straight run rings on.
  track_.reset();
  track_ = std::make_unique<TETrack>();

  Listener listener;
  track_->OpenFile(loud);
  sound.switchOn(*track_);
  track_->Play();
  listener.hear(kBeforePause);
  track_->Pause();
  listener.hear(kStep);
  track_->Play();
  listener.hear(kStep);
  track_->SeekBytes(kRate * 4 / 3 + 4 * 37);
  listener.hear(kStep);
  track_->Stop();
  listener.hear(kStep);
  track_->Play();
  listener.hear(kStep);
  // What next does: open, and once the file is open, stop, switch the effects on again, play.
  track_->OpenFile(next);
  ASSERT_EQ(awaitOpening(), OpenProgress::Open);
  track_->Stop();
  sound.switchOn(*track_);
  track_->Play();
  listener.hear(kStep);
  EXPECT_LT(listener.steepestForTheLevel(), 1.2 * straight.steepestForTheLevel());
  if (!sound.effects) {
    EXPECT_LT(listener.largestStep(), 1.01 * straight.largestStep());
  }
  // And the tone was heard all along, not faded away for good.
  const auto loudest = *std::max_element(listener.left().end() - 1000, listener.left().end());
  EXPECT_GT(loudest, 0.5 * *std::max_element(straight.left().end() - 1000, straight.left().end()));
}

INSTANTIATE_TEST_SUITE_P(EachEffect, TrackClickTest, ::testing::ValuesIn(kSoundCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Ticking "connect" while a loud tone plays: the ten bands go on at 0 dB as one change, and
// the tone passes them untouched, with no dip while they fade in.
TEST_F(TrackTest, ConnectingTheEqualizerWhilePlayingLeavesTheToneAlone) {
  track_->OpenFile(fixtures::writeSineWav("loud.wav", kRate, 2, kLoudHz, 1.0, kLoud));
  track_->Play();
  Listener listener;
  listener.hear(4096);
  track_->ConnectEqualizer();
  for (auto setBand : kBandSetters) (track_.get()->*setBand)(0.0f);
  listener.hear(4096);
  double worst = 0.0;
  for (size_t i = 4096; i < listener.left().size(); ++i) {
    const double tone = kLoud * std::sin(2.0 * std::numbers::pi * kLoudHz * static_cast<double>(i) / kRate);
    worst = std::max(worst, std::abs(listener.left()[i] - tone));
  }
  EXPECT_LT(worst, 1e-3);
}

// The file opens on a reader that stalls: every call returns at once and answers from what
// is known, the failed-to-open rule still holds once the reader answers, and the file plays.
TEST_F(TrackTest, OpeningOnAStalledReaderNeverWaits) {
  std::promise<void> unstall;
  std::shared_future<void> stalled = unstall.get_future().share();
  Engine::setDecoderOpener([stalled](const std::string& path) {
    stalled.wait();
    return audio::openDecoder(path);
  });
  track_->OpenFile(tone_);
  ASSERT_NE(track_->Stream, 0u);
  const auto stream = track_->Stream;
  track_->Play();
  for (int tick = 0; tick < 100; ++tick) {
    EXPECT_EQ(track_->GetLengthBytes(), 0);
    EXPECT_EQ(track_->GetPositionBytes(), 0);
    EXPECT_EQ(track_->GetLengthTime().count(), 0.0);
    track_->SetVolume(5);
    track_->SetBalance(0);
    track_->SetCompressorGain(3.0f);
    EXPECT_EQ(Engine::instance().isActive(stream), Activity::Stalled);
  }
  unstall.set_value();
  awaitOpen();
  Engine::setDecoderOpener(nullptr);
  render(1000);
  EXPECT_EQ(track_->Stream, stream);
  EXPECT_EQ(track_->GetLengthBytes(), kRate * 4);
  EXPECT_EQ(track_->GetPositionBytes(), 1000 * 4);
}

// Near the end of an entry the window prepares the next one; at the end it adopts it: the
// second file's first sample follows the first's last, through the same effects, and the
// track then stands where stopping, opening and playing would have left it.
TEST_F(TrackTest, APreparedNextFileIsAdoptedWithoutAGap) {
  constexpr double kFirstSeconds = 0.6;
  const int firstFrames = static_cast<int>(std::lround(kFirstSeconds * kRate));
  const std::string first = fixtures::writeSineWav("first.wav", kRate, 2, 300.0, kFirstSeconds, 0.5);
  const std::string second = fixtures::writeSineWav("second.wav", kRate, 2, 300.0, 1.0, 0.5, kFirstSeconds);
  track_->OpenFile(first);
  track_->Play();
  track_->EnableEffect(EffectKind::Gargle);
  const audio::FxHandle gargle = track_->EffectHandles[5];
  awaitOpen();
  EXPECT_TRUE(track_->WantsNext());
  track_->PrepareNext(second);
  EXPECT_FALSE(track_->WantsNext());
  EXPECT_FALSE(track_->AdoptPrepared(first));
  const auto previous = track_->Stream;
  render(firstFrames + 500);
  EXPECT_EQ(Engine::instance().isActive(previous), Activity::Stopped);
  ASSERT_TRUE(track_->AdoptPrepared(second));
  EXPECT_NE(track_->Stream, previous);
  EXPECT_EQ(track_->FileName, "second.wav");
  EXPECT_EQ(track_->State, PlayState::Playing) << "it plays on, and Play leaves it alone";
  track_->Play();
  EXPECT_EQ(Engine::instance().isActive(track_->Stream), Activity::Playing);
  EXPECT_EQ(track_->GetPositionBytes(), 500 * 4);
  audio::Dx8Gargle record{};
  EXPECT_TRUE(Engine::instance().fxGetParameters(gargle, record)) << "the effects carry over";
  EXPECT_EQ(Engine::instance().getLength(previous), -1) << "the previous stream is released";
}

}  // namespace
