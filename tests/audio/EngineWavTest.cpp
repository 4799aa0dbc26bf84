// Playback of PCM WAV files on the manual clock, where every rendered sample can be
// predicted exactly: lengths, positions, the end, seeking, pause, volume, pan, spectrum.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <mutex>
#include <numbers>
#include <thread>
#include <vector>

#include "tests/audio/support/AudioFixtures.h"
#include "tests/audio/support/EngineHarness.h"
#include "tests/audio/support/ForwardingDecoder.h"

namespace {

using audio::Activity;
using audio::Attribute;
using fixtures::EngineHarness;
using fixtures::kRate;

// Samples that differ from frame to frame and between the channels, so that an
// off-by-one frame or swapped channels show.
std::vector<int16_t> patternSamples(int frames, int channels) {
  std::vector<int16_t> samples(static_cast<size_t>(frames) * channels);
  uint32_t state = 12345;
  for (auto& sample : samples) {
    state = state * 1664525u + 1013904223u;
    sample = static_cast<int16_t>(state >> 17) - 16384;
  }
  return samples;
}

float toFloat(int16_t sample) { return static_cast<float>(sample) / 32768.0f; }

class EngineWavTest : public EngineHarness {
 protected:
  audio::StreamHandle openPattern(int frames, int channels = 2, int rate = kRate) {
    samples_ = patternSamples(frames, channels);
    channels_ = channels;
    const std::string path = fixtures::writeWav("pattern.wav", rate, channels, samples_);
    return open(path);
  }
  // The file's frame as the output should carry it: stereo, mono copied to both sides.
  float expected(int64_t frame, int side) const {
    return toFloat(samples_[static_cast<size_t>(frame) * channels_ + (channels_ == 2 ? side : 0)]);
  }
  // Expects rendered frames `at`.. to be the file's frames from `firstFrame` on: whole, or
  // fading in or out over fadeFrames(), that is at a gain rising or falling by 1 / fadeFrames()
  // a frame.
  enum class Fade { None, In, Out };
  void expectFramesFrom(const std::vector<float>& rendered, int64_t firstFrame, int count, Fade fade = Fade::None,
                        size_t at = 0) const {
    for (int i = 0; i < count; ++i) {
      const double ramp = std::min(1.0, (i + 1.0) / fadeFrames());
      const double gain = fade == Fade::None ? 1.0 : fade == Fade::In ? ramp : 1.0 - ramp;
      for (int side : {0, 1}) {
        const float heard = rendered[2 * (at + i) + side];
        const double wanted = gain * expected(firstFrame + i, side);
        if (gain == 1.0) {
          ASSERT_FLOAT_EQ(heard, static_cast<float>(wanted)) << "frame " << firstFrame + i;
        } else {
          ASSERT_NEAR(heard, wanted, 1e-5) << "frame " << firstFrame + i;
        }
      }
    }
  }

  std::vector<int16_t> samples_;
  int channels_ = 2;
};

struct Shape {
  int rate;
  int channels;
};

class EngineWavShapeTest : public EngineWavTest, public ::testing::WithParamInterface<Shape> {};

TEST_P(EngineWavShapeTest, LengthIsExactInTheFilesOwnBytesAndThePositionEndsOnIt) {
  const Shape shape = GetParam();
  constexpr int kFrames = 10007;
  const auto stream = openPattern(kFrames, shape.channels, shape.rate);
  ASSERT_NE(stream, 0u);
  const int64_t bytes = int64_t{kFrames} * shape.channels * 2;
  EXPECT_EQ(engine().getLength(stream), bytes);
  EXPECT_EQ(engine().getPosition(stream), 0);
  EXPECT_DOUBLE_EQ(engine().bytesToSeconds(stream, bytes), double{kFrames} / shape.rate);
  ASSERT_TRUE(engine().play(stream, false));
  EXPECT_EQ(engine().isActive(stream), Activity::Playing);
  renderToEnd(stream);
  EXPECT_EQ(engine().isActive(stream), Activity::Stopped);
  EXPECT_EQ(engine().getPosition(stream), bytes);
  EXPECT_EQ(engine().getLength(stream), bytes);
}

INSTANTIATE_TEST_SUITE_P(Shapes, EngineWavShapeTest,
                         ::testing::Values(Shape{44100, 2}, Shape{44100, 1}, Shape{22050, 1},
                                           Shape{48000, 2}));

TEST_F(EngineWavTest, RendersTheFileSampleForSampleThenSilence) {
  for (int channels : {1, 2}) {
    SCOPED_TRACE(channels);
    constexpr int kFrames = 5000;
    const auto stream = openPattern(kFrames, channels);
    engine().play(stream, false);
    const auto rendered = render(kFrames + 100);
    // From its first sample on, every sample is the file's: its start is its own, not faded.
    expectFramesFrom(rendered, 0, kFrames);
    for (size_t i = 2 * kFrames; i < rendered.size(); ++i) ASSERT_EQ(rendered[i], 0.0f);
    EXPECT_EQ(engine().getPosition(stream), engine().getLength(stream));
    engine().streamFree(stream);
  }
}

TEST_F(EngineWavTest, SeekLandsOnTheExactFrameRoundedDownAfterTheOldPositionFadesOut) {
  constexpr int kFrames = 30000;
  const auto stream = openPattern(kFrames);
  engine().play(stream, false);
  render(700);
  int64_t heard = 700;
  // Byte positions, some between frames: each is rounded down to its frame.
  for (int64_t bytes : {int64_t{0}, int64_t{4}, int64_t{7}, int64_t{4 * 12345 + 3}, int64_t{4 * 100},
                        int64_t{4 * 29990}}) {
    SCOPED_TRACE(bytes);
    ASSERT_TRUE(engine().setPosition(stream, bytes));
    const int64_t frame = bytes / 4;
    EXPECT_EQ(engine().getPosition(stream), frame * 4);
    // What was playing fades out from where it was; then the new position fades in, unless
    // it is the file's own start.
    const auto out = render(fadeFrames());
    expectFramesFrom(out, heard, fadeFrames(), Fade::Out);
    EXPECT_EQ(engine().getPosition(stream), frame * 4);
    const int count = static_cast<int>(std::min<int64_t>(fadeFrames() + 5, kFrames - frame));
    expectFramesFrom(render(count), frame, count, frame == 0 ? Fade::None : Fade::In);
    EXPECT_EQ(engine().getPosition(stream), (frame + count) * 4);
    heard = frame + count;
  }
  EXPECT_FALSE(engine().setPosition(stream, (kFrames + 1) * 4));
  EXPECT_FALSE(engine().setPosition(stream, -4));
}

// The engine's own stop, at the player's exit, silences what plays with a fade, not a cut.
TEST_F(EngineWavTest, StoppingTheEngineFadesWhatPlaysOut) {
  const auto stream = openPattern(20000);
  engine().play(stream, false);
  render(1000);
  engine().stop();
  const auto afterStop = render(2000);
  expectFramesFrom(afterStop, 1000, fadeFrames(), Fade::Out);
  for (size_t i = 2 * fadeFrames(); i < afterStop.size(); ++i) ASSERT_EQ(afterStop[i], 0.0f);
}

TEST_F(EngineWavTest, PauseAndStopFadeOutAndKeepThePositionWherePlayResumes) {
  const auto stream = openPattern(20000);
  engine().play(stream, false);
  render(1000);
  ASSERT_TRUE(engine().pause(stream));
  EXPECT_EQ(engine().isActive(stream), Activity::Paused);
  // What follows fades out; the position stays where the pause was asked for.
  const auto whilePaused = render(2000);
  expectFramesFrom(whilePaused, 1000, fadeFrames(), Fade::Out);
  for (size_t i = 2 * fadeFrames(); i < whilePaused.size(); ++i) ASSERT_EQ(whilePaused[i], 0.0f);
  EXPECT_EQ(engine().getPosition(stream), 1000 * 4);
  engine().play(stream, false);
  expectFramesFrom(render(fadeFrames() + 10), 1000, fadeFrames() + 10, Fade::In);
  // Stop keeps the position too; after the end, play starts again from the beginning.
  const int stopped = 1000 + fadeFrames() + 10;
  engine().stopStream(stream);
  EXPECT_EQ(engine().isActive(stream), Activity::Stopped);
  expectFramesFrom(render(fadeFrames()), stopped, fadeFrames(), Fade::Out);
  EXPECT_EQ(engine().getPosition(stream), stopped * 4);
  engine().play(stream, false);
  renderToEnd(stream);
  engine().play(stream, false);
  expectFramesFrom(render(10), 0, 10);
}

// The threads that read a file and those that seek it by opening it afresh.
struct FileCalls {
  std::mutex mutex;
  std::vector<std::thread::id> readers;
  std::vector<std::thread::id> reopeners;
  int reopens = 0;
};

class WatchedDecoder : public fixtures::ForwardingDecoder {
 public:
  WatchedDecoder(std::unique_ptr<audio::Decoder> inner, std::shared_ptr<FileCalls> calls)
      : ForwardingDecoder(std::move(inner)), calls_(std::move(calls)) {}
  int read(float* out, int maxFrames) override {
    note(calls_->readers);
    return ForwardingDecoder::read(out, maxFrames);
  }
  bool seek(int64_t frame) override {
    if (seekReopens(frame)) {
      note(calls_->reopeners);
      std::lock_guard lock(calls_->mutex);
      ++calls_->reopens;
    }
    return ForwardingDecoder::seek(frame);
  }

 private:
  void note(std::vector<std::thread::id>& threads) {
    std::lock_guard lock(calls_->mutex);
    if (std::find(threads.begin(), threads.end(), std::this_thread::get_id()) == threads.end()) {
      threads.push_back(std::this_thread::get_id());
    }
  }
  std::shared_ptr<FileCalls> calls_;
};

// Stop, play after the end and a seek into the first quarter second open the file afresh, to
// decode exactly what playing from the start gave: on a media thread, like every open, never
// on the decoding thread that every stream's sound waits on. The sound lands where it should.
TEST_F(EngineWavTest, SeeksThatOpenTheFileAfreshAreMadeOffTheDecodingThread) {
  auto calls = std::make_shared<FileCalls>();
  audio::Engine::setDecoderOpener([calls](const std::string& path) {
    return std::make_unique<WatchedDecoder>(audio::openDecoder(path), calls);
  });
  constexpr int kFrames = 30000;
  const auto stream = openPattern(kFrames);
  audio::Engine::setDecoderOpener(nullptr);
  engine().play(stream, false);
  render(2000);
  // Stop, as the track does it.
  engine().setPosition(stream, 0);
  engine().stopStream(stream);
  render(fadeFrames() + 100);
  engine().play(stream, false);
  expectFramesFrom(render(fadeFrames() + 10), 0, fadeFrames() + 10);
  constexpr int kEarly = 100;
  engine().setPosition(stream, kEarly * 4);
  render(fadeFrames());
  expectFramesFrom(render(fadeFrames() + 10), kEarly, fadeFrames() + 10, Fade::In);
  renderToEnd(stream);
  engine().play(stream, false);
  expectFramesFrom(render(fadeFrames() + 10), 0, fadeFrames() + 10);
  std::lock_guard lock(calls->mutex);
  EXPECT_EQ(calls->reopens, 3);
  ASSERT_FALSE(calls->readers.empty());
  for (const auto reopener : calls->reopeners) {
    EXPECT_EQ(std::count(calls->readers.begin(), calls->readers.end(), reopener), 0);
  }
}

// Whether this process holds the file at `path` open.
bool heldOpen(const std::string& path) {
  const auto file = std::filesystem::canonical(path);
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (std::filesystem::read_symlink(fd.path(), error) == file) return true;
  }
  return false;
}

// The file of a stream let go is closed once the stream has faded out, whatever comes next and
// whenever that comes: a USB stick can be taken out as soon as the player has moved on from it.
TEST_F(EngineWavTest, TheFileOfAStreamLetGoIsClosedOnceItHasFadedOut) {
  enum class MoveOn { AnotherStreamPlays, TheNextTakesOverAtTheEnd, Freed };
  for (const MoveOn moveOn : {MoveOn::AnotherStreamPlays, MoveOn::TheNextTakesOverAtTheEnd, MoveOn::Freed}) {
    SCOPED_TRACE(static_cast<int>(moveOn));
    const std::string first = fixtures::writeSineWav("first.wav", kRate, 2, 440.0, 0.3);
    const std::string second = fixtures::writeSineWav("second.wav", kRate, 2, 660.0, 1.0);
    const auto stream = open(first);
    engine().play(stream, false);
    render(2000);
    ASSERT_TRUE(heldOpen(first));
    audio::StreamHandle next = 0;
    switch (moveOn) {
      case MoveOn::AnotherStreamPlays:
        engine().streamFree(stream);
        next = open(second);
        engine().play(next, false);
        break;
      case MoveOn::TheNextTakesOverAtTheEnd:
        next = engine().streamCreateFileAfter(stream, second);
        engine().streamAwaitOpen(next);
        renderToEnd(stream);
        ASSERT_TRUE(engine().streamTakeOver(stream, next));
        break;
      case MoveOn::Freed:
        engine().streamFree(stream);
        break;
    }
    render(fadeFrames() + 512);
    engine().awaitFileJobs();
    EXPECT_FALSE(heldOpen(first));
    engine().streamFree(next);
  }
}

TEST_F(EngineWavTest, ReleasedAndUnknownHandlesAreRefusedHarmlessly) {
  const auto stream = openPattern(1000);
  const auto fx = engine().setFx(stream, audio::FxType::Echo, 0);
  ASSERT_TRUE(engine().streamFree(stream));
  float spectrum[512];
  std::fill(std::begin(spectrum), std::end(spectrum), 7.0f);
  float value = 3.0f;
  audio::Dx8Echo echo{};
  for (audio::StreamHandle handle : {audio::StreamHandle{0}, stream, audio::StreamHandle{999999}}) {
    SCOPED_TRACE(handle);
    EXPECT_FALSE(engine().play(handle, false));
    EXPECT_FALSE(engine().pause(handle));
    EXPECT_FALSE(engine().stopStream(handle));
    EXPECT_FALSE(engine().streamFree(handle));
    EXPECT_EQ(engine().isActive(handle), Activity::Stopped);
    EXPECT_EQ(engine().getLength(handle), -1);
    EXPECT_EQ(engine().getPosition(handle), -1);
    EXPECT_FALSE(engine().setPosition(handle, 0));
    EXPECT_LT(engine().bytesToSeconds(handle, 100), 0.0);
    EXPECT_FALSE(engine().setAttribute(handle, Attribute::Volume, 0.5f));
    EXPECT_FALSE(engine().getAttribute(handle, Attribute::Volume, value));
    EXPECT_FALSE(engine().getFft1024(handle, spectrum));
    EXPECT_EQ(engine().setFx(handle, audio::FxType::Echo, 0), 0u);
    EXPECT_FALSE(engine().removeFx(handle, fx));
  }
  EXPECT_EQ(value, 3.0f);
  EXPECT_EQ(spectrum[0], 7.0f);
  EXPECT_FALSE(engine().fxGetParameters(fx, echo));
  // A new stream never takes an old number.
  const auto next = openPattern(1000);
  EXPECT_NE(next, 0u);
  EXPECT_NE(next, stream);
  EXPECT_NE(next, fx);
}

// A constant signal makes the gains readable straight off the output.
class EngineGainTest : public EngineWavTest {
 protected:
  audio::StreamHandle openConstant(int16_t value) {
    samples_.assign(static_cast<size_t>(kRate) * 2, value);
    channels_ = 2;
    return open(fixtures::writeWav("constant.wav", kRate, 2, samples_));
  }
};

TEST_F(EngineGainTest, VolumeAndPanScaleTheSidesAfterAShortGlide) {
  struct Case {
    float volume;
    float pan;
    float left;
    float right;
  };
  const Case cases[] = {{1.0f, 0.0f, 1.0f, 1.0f},  {0.5f, 0.0f, 0.5f, 0.5f},
                        {0.0f, 0.0f, 0.0f, 0.0f},  {1.0f, -1.0f, 1.0f, 0.0f},
                        {1.0f, 1.0f, 0.0f, 1.0f},  {0.8f, 0.5f, 0.4f, 0.8f},
                        {0.8f, -0.25f, 0.8f, 0.6f}};
  const auto stream = openConstant(16384);
  engine().play(stream, false);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.volume << " " << c.pan);
    engine().setAttribute(stream, Attribute::Volume, c.volume);
    engine().setAttribute(stream, Attribute::Pan, c.pan);
    // Heard within one device period: a 512-frame block ends at the new gains.
    const auto rendered = render(512);
    EXPECT_NEAR(rendered[2 * 511], 0.5f * c.left, 1e-5);
    EXPECT_NEAR(rendered[2 * 511 + 1], 0.5f * c.right, 1e-5);
  }
}

// The track gives a new stream its volume and balance before it is heard: they hold from
// its first sample, with no glide from full volume.
TEST_F(EngineGainTest, VolumeAndPanSetBeforeTheFirstSoundHoldFromItsFirstSample) {
  const auto stream = openConstant(16384);
  engine().setAttribute(stream, Attribute::Volume, 0.2f);
  engine().setAttribute(stream, Attribute::Pan, -0.5f);
  engine().play(stream, false);
  const auto rendered = render(4);
  EXPECT_FLOAT_EQ(rendered[0], 0.5f * 0.2f);
  EXPECT_FLOAT_EQ(rendered[1], 0.5f * 0.2f * 0.5f);
}

TEST_F(EngineGainTest, AVolumeChangeGlidesWithoutASuddenStep) {
  const auto stream = openConstant(32767);
  engine().play(stream, false);
  render(fadeFrames() + 100);
  engine().setAttribute(stream, Attribute::Volume, 0.0f);
  const auto left = channel(render(1024), 0);
  float largestStep = 0.0f;
  float previous = 32767.0f / 32768.0f;
  for (float sample : left) {
    largestStep = std::max(largestStep, std::abs(sample - previous));
    previous = sample;
  }
  EXPECT_EQ(left.back(), 0.0f);
  EXPECT_LT(largestStep, 0.01f);
}

class EngineSpectrumTest : public EngineHarness {};

TEST_F(EngineSpectrumTest, AFullScaleSineOnABinReadsOneHalfThere) {
  constexpr int kBin = 40;
  const double frequency = kBin * double{kRate} / 1024.0;
  const auto stream = open(
      fixtures::writeSineWav("bin40.wav", kRate, 2, frequency, 1.0, 1.0));
  ASSERT_NE(stream, 0u);
  float spectrum[512];
  ASSERT_TRUE(engine().getFft1024(stream, spectrum));
  // Nothing heard yet counts as silence.
  for (float magnitude : spectrum) ASSERT_EQ(magnitude, 0.0f);
  engine().play(stream, false);
  // Neither volume nor pan reaches the spectrum.
  engine().setAttribute(stream, Attribute::Volume, 0.1f);
  engine().setAttribute(stream, Attribute::Pan, 1.0f);
  render(3000);
  ASSERT_TRUE(engine().getFft1024(stream, spectrum));
  EXPECT_NEAR(spectrum[kBin], 0.5f, 0.002f);
  // The Hann window spreads a centred sine into its two neighbours at half height.
  EXPECT_NEAR(spectrum[kBin - 1], 0.25f, 0.002f);
  EXPECT_NEAR(spectrum[kBin + 1], 0.25f, 0.002f);
  for (int k = 0; k < 512; ++k) {
    if (std::abs(k - kBin) > 1) {
      ASSERT_LT(spectrum[k], 0.001f) << "bin " << k;
    }
  }
  // Once the file has played out, the silence after it is what the spectrum reads.
  render(kRate);
  ASSERT_TRUE(engine().getFft1024(stream, spectrum));
  EXPECT_EQ(*std::max_element(spectrum, spectrum + 512), 0.0f);
}

TEST_F(EngineSpectrumTest, AStreamAtAnotherRateIsHeardAtItsOwnPitch) {
  // 1033.59 Hz is bin 24 at the output rate; the file runs at 22050 Hz.
  const double frequency = 24 * double{kRate} / 1024.0;
  const auto stream = open(
      fixtures::writeSineWav("low-rate.wav", 22050, 1, frequency, 1.0, 1.0));
  engine().play(stream, false);
  render(8000);
  float spectrum[512];
  engine().getFft1024(stream, spectrum);
  EXPECT_EQ(std::max_element(spectrum, spectrum + 512) - spectrum, 24);
  EXPECT_NEAR(spectrum[24], 0.5f, 0.01f);
}

// A tick that wakes once a frame runs the passes it slept through, each as of its own moment:
// the spectrum and the position read as they were then, as long as the moment lies in the
// last device periods, no seek has come since, and the stream was the one heard.
TEST_F(EngineSpectrumTest, TheSpectrumAndThePositionOfAMomentAgoReadAsTheyWereThen) {
  constexpr int kLowBin = 40;
  constexpr int kHighBin = 80;
  constexpr int kToneFrames = kRate / 2;
  std::vector<int16_t> samples(2 * kToneFrames);
  for (int i = 0; i < 2 * kToneFrames; ++i) {
    const int bin = i < kToneFrames ? kLowBin : kHighBin;
    samples[i] = static_cast<int16_t>(16000 * std::sin(2 * std::numbers::pi * bin * i / 1024.0));
  }
  const auto stream = open(fixtures::writeWav("two-tones.wav", kRate, 1, samples));
  const auto loudest = [&](auto... moment) {
    float spectrum[512];
    engine().getFft1024(stream, spectrum, moment...);
    return std::max_element(spectrum, spectrum + 512) - spectrum;
  };
  const auto before = std::chrono::steady_clock::now();
  engine().play(stream, false);
  render(kToneFrames - 2048);
  const int64_t lowPosition = engine().getPosition(stream);
  const auto low = std::chrono::steady_clock::now();
  render(4096);
  EXPECT_EQ(loudest(low), kLowBin);
  EXPECT_EQ(engine().getPosition(stream, low), lowPosition);
  EXPECT_EQ(loudest(std::chrono::steady_clock::now()), kHighBin);
  EXPECT_EQ(loudest(), kHighBin);
  EXPECT_EQ(engine().getPosition(stream, std::chrono::steady_clock::now()), engine().getPosition(stream));
  EXPECT_EQ(loudest(before), kHighBin) << "before anything was heard: as it reads now";
  EXPECT_EQ(engine().getPosition(stream, before), engine().getPosition(stream));

  ASSERT_TRUE(engine().setPosition(stream, 0));
  EXPECT_EQ(engine().getPosition(stream, low), 0) << "a seek asked for since: as it reads now";
}

// --- Between a stream's end and the take-over of the one queued behind it -------------------

// A stream of 1000 frames with 20000 queued behind it, played until 500 frames of the queued
// one have been heard: the window has not taken it over yet.
class EngineQueuedTest : public EngineWavTest {
 protected:
  void SetUp() override {
    EngineWavTest::SetUp();
    current_ = openPattern(1000);
    queuedSamples_ = patternSamples(20000, 2);
    std::reverse(queuedSamples_.begin(), queuedSamples_.end());
    queued_ = engine().streamCreateFileAfter(current_, fixtures::writeWav("queued.wav", kRate, 2, queuedSamples_));
    ASSERT_TRUE(engine().streamAwaitOpen(queued_));
    engine().play(current_, false);
    render(1500);
    ASSERT_EQ(engine().isActive(current_), Activity::Stopped);
    ASSERT_EQ(engine().getPosition(queued_), 500 * 4);
    // From here on the samples expected are the queued stream's.
    samples_ = queuedSamples_;
  }

  audio::StreamHandle current_ = 0;
  audio::StreamHandle queued_ = 0;
  std::vector<int16_t> queuedSamples_;
};

// A call on either stream is about what the listener hears, the queued stream: it fades out
// from where it was, and the first stream reads as the call left what is heard.
struct HeardCase {
  const char* name;
  bool (*call)(audio::Engine& engine, audio::StreamHandle current, audio::StreamHandle queued);
  Activity currentReads;
};

const HeardCase kHeardCases[] = {
    {"ReleasingTheQueuedStream", [](audio::Engine& e, auto, auto queued) { return e.streamFree(queued); },
     Activity::Stopped},
    {"StoppingTheFirst", [](audio::Engine& e, auto current, auto) { return e.stopStream(current); },
     Activity::Stopped},
    {"PausingTheFirst", [](audio::Engine& e, auto current, auto) { return e.pause(current); }, Activity::Paused},
    {"ReleasingTheFirst", [](audio::Engine& e, auto current, auto) { return e.streamFree(current); },
     Activity::Stopped},
};

class EngineHeardTest : public EngineQueuedTest, public ::testing::WithParamInterface<HeardCase> {};

TEST_P(EngineHeardTest, ACallFadesOutWhatIsHeard) {
  ASSERT_TRUE(GetParam().call(engine(), current_, queued_));
  const auto rendered = render(2000);
  expectFramesFrom(rendered, 500, fadeFrames(), Fade::Out);
  for (size_t i = 2 * fadeFrames(); i < rendered.size(); ++i) ASSERT_EQ(rendered[i], 0.0f) << i;
  EXPECT_EQ(engine().isActive(current_), GetParam().currentReads);
}

INSTANTIATE_TEST_SUITE_P(Calls, EngineHeardTest, ::testing::ValuesIn(kHeardCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EngineQueuedTest, PlayResumesWhatAPauseHeldAndTheTakeOverFollows) {
  ASSERT_TRUE(engine().pause(current_));
  render(2000);
  ASSERT_TRUE(engine().play(current_, false));
  // The paused position fades in again; the first stream is finished, so the window takes
  // the queued one over.
  expectFramesFrom(render(fadeFrames() + 10), 500, fadeFrames() + 10, Fade::In);
  EXPECT_EQ(engine().isActive(current_), Activity::Stopped);
  ASSERT_TRUE(engine().streamTakeOver(current_, queued_));
  EXPECT_TRUE(engine().play(queued_, false));
  expectFramesFrom(render(100), 500 + fadeFrames() + 10, 100);
}

// An entry shorter than a device period can play to its end before the window takes it over:
// it stays finished, at its end, through the play that comes with the take-over.
TEST_F(EngineWavTest, AStreamTakenOverAfterItsEndStaysFinished) {
  const auto current = openPattern(1000);
  const auto queued = engine().streamCreateFileAfter(current, fixtures::writeWav("short.wav", kRate, 2, samples_));
  ASSERT_TRUE(engine().streamAwaitOpen(queued));
  engine().play(current, false);
  render(3000);
  ASSERT_TRUE(engine().streamTakeOver(current, queued));
  EXPECT_TRUE(engine().play(queued, false));
  const auto rendered = render(1000);
  EXPECT_TRUE(std::all_of(rendered.begin(), rendered.end(), [](float v) { return v == 0.0f; }));
  EXPECT_EQ(engine().isActive(queued), Activity::Stopped);
  EXPECT_EQ(engine().getPosition(queued), engine().getLength(queued));
  // Asked again, it plays again, as any stream that has played to its end.
  engine().play(queued, false);
  expectFramesFrom(render(10), 0, 10);
}

// --- Rest ---------------------------------------------------------------------------------

// Once nothing can be heard after the end or a pause (the effects rung out too), the engine
// asks for no output: a real-time one closes its device. Nothing is heard from then on.
struct RestCase {
  const char* name;
  bool echo;
  void (*call)(audio::Engine& engine, audio::StreamHandle stream);
};

const RestCase kRestCases[] = {
    {"AtTheEnd", false, [](audio::Engine&, audio::StreamHandle) {}},
    {"AtTheEndWithAnEcho", true, [](audio::Engine&, audio::StreamHandle) {}},
    {"AfterAPauseWithAnEcho", true, [](audio::Engine& e, audio::StreamHandle stream) { e.pause(stream); }},
};

class EngineRestTest : public EngineWavTest, public ::testing::WithParamInterface<RestCase> {};

TEST_P(EngineRestTest, OnceNothingCanBeHeardTheEngineAsksForNoOutput) {
  const RestCase& c = GetParam();
  const auto stream = openPattern(kRate / 2);
  if (c.echo) engine().setFx(stream, audio::FxType::Echo, 0);
  engine().play(stream, false);
  render(kRate / 4);
  EXPECT_TRUE(clock().sourcePlaying());
  c.call(engine(), stream);
  // Pieces of a tenth of a second, for up to half a minute.
  std::vector<float> beforeRest;
  for (int piece = 0; piece < 300 && clock().sourcePlaying(); ++piece) {
    const auto& heard = render(kRate / 10);
    beforeRest.insert(beforeRest.end(), heard.begin(), heard.end());
  }
  ASSERT_FALSE(clock().sourcePlaying());
  EXPECT_FALSE(engine().audible(stream));
  EXPECT_NE(engine().isActive(stream), Activity::Playing);
  const auto after = render(kRate);
  EXPECT_TRUE(std::all_of(after.begin(), after.end(), [](float v) { return v == 0.0f; }));
  if (c.echo) {
    // The echo was heard to its end: its repeats after the sound stopped, dying away.
    const size_t repeat = 2 * static_cast<size_t>(kRate);
    ASSERT_GT(beforeRest.size(), repeat + 2);
    EXPECT_GT(*std::max_element(beforeRest.begin() + repeat, beforeRest.end()), 0.01f);
    EXPECT_LT(std::abs(beforeRest.back()), audio::Channel::kSilence);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, EngineRestTest, ::testing::ValuesIn(kRestCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
