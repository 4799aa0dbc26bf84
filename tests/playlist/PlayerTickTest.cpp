// What the playback tick reads and gives the window to show, on the manually clocked output.

#include <gtest/gtest.h>

#include <QString>
#include <chrono>
#include <future>
#include <string>

#include "audio/decode/Decoder.h"
#include "tests/playlist/PlayerHarness.h"

namespace {

using playback::Harness;
using playback::kSampleRate;

// A tone of 2.6 s: 114660 stereo 16-bit frames.
constexpr int64_t kToneBytes = 114660 * 4;

QString text(QLatin1String view) { return QString(view); }

TEST(PlayerTick, ReadOutsFollowTheStream) {
  Harness h(12, 2.6, "tick");
  h.click(2);
  h.player.setBalance(-5);
  h.player.setVolume(7);
  TickView shown = h.tick();
  EXPECT_TRUE(shown.drawn);
  EXPECT_EQ(shown.positionMaximum, kToneBytes);
  EXPECT_EQ(text(shown.position.view()), QStringLiteral("00:00:00"));
  EXPECT_EQ(text(shown.length.view()), QStringLiteral("00:00:02"));
  EXPECT_EQ(text(shown.counter.view()), QStringLiteral("Track3  of  12"));
  float volume = 0;
  float pan = 0;
  h.engine().getAttribute(h.stream(), audio::Attribute::Volume, volume);
  h.engine().getAttribute(h.stream(), audio::Attribute::Pan, pan);
  EXPECT_FLOAT_EQ(volume, 0.7f);
  EXPECT_FLOAT_EQ(pan, -1.0f);

  h.render(kSampleRate + kSampleRate / 2);
  shown = h.tick();
  EXPECT_EQ(shown.positionProgress, h.position());
  EXPECT_EQ(text(shown.position.view()), QStringLiteral("00:00:01"));
  for (int bin : {0, 10, 511}) EXPECT_GE(h.spectrum[bin], 0.0f) << bin;

  h.player.pause();
  const int32_t progress = shown.positionProgress;
  h.render(kSampleRate);
  EXPECT_EQ(h.tick().positionProgress, progress) << "paused";
}

TEST(PlayerTick, WithoutAStreamLeavesCounterAndSpectrumAlone) {
  Harness h;
  h.spectrum.fill(-1.0f);
  const TickView shown = h.tick();
  EXPECT_TRUE(shown.ticked);
  EXPECT_FALSE(shown.drawn);
  EXPECT_EQ(shown.positionMaximum, 0);
  EXPECT_EQ(h.spectrum[0], -1.0f);
}

// A pass that runs late reads the spectrum and the position as they were when it fell due:
// as of a moment of the tone, once the silence after it is heard, it still finds the tone and
// the position of then; the pass after it reads what is now.
TEST(PlayerTick, APassAsOfAMomentAgoReadsTheSpectrumAndThePositionOfThen) {
  Harness h;
  h.addEntry(playback::toneThenSilenceFile("late.wav", 0.5, 1.0));
  h.click(0);
  h.render(kSampleRate / 2);
  const int32_t tonePosition = h.tick().positionProgress;
  const auto toneHeard = std::chrono::steady_clock::now();
  h.render(4096);
  const TickView then = h.player.tick(h.spectrum, toneHeard);
  EXPECT_GT(h.spectrum[20], 0.1f) << "the tone";
  EXPECT_EQ(then.positionProgress, tonePosition);
  const TickView now = h.tick();
  EXPECT_LT(h.spectrum[20], 0.01f) << "the silence";
  EXPECT_EQ(now.positionProgress, tonePosition + 4096 * 2);
}

// The tick has to act with no event to bring it while a start waits for its file, which the
// player announces, and while the stream that plays is about to end: the window then runs
// every pass when it falls due.
TEST(PlayerTick, ActsAtOnceWhileAStartWaitsOrTheStreamIsAboutToEnd) {
  Harness h(2, 1.0, "prompt");
  int waits = 0;
  QObject::connect(&h.player, &Player::waitingForFile, [&] { ++waits; });
  EXPECT_FALSE(h.player.tickActsAtOnce()) << "nothing opened";
  h.click(0);
  EXPECT_EQ(waits, 1);
  EXPECT_TRUE(h.player.tickActsAtOnce()) << "the start waits for its file";
  h.settle();
  EXPECT_FALSE(h.player.tickActsAtOnce()) << "the start has run";
  h.render(kSampleRate * 7 / 10);
  EXPECT_FALSE(h.player.tickActsAtOnce()) << "0.3 s left";
  h.render(kSampleRate * 15 / 100);
  EXPECT_TRUE(h.player.tickActsAtOnce()) << "0.15 s left";
  h.player.pause();
  EXPECT_FALSE(h.player.tickActsAtOnce()) << "paused";
  EXPECT_EQ(waits, 1);
}

// Files open on the engine's media thread: with a reader that stalls, a click on an entry
// returns at once and the tick runs on, showing what is known, until the file is there.
TEST(PlayerTick, RunsOnWhileAFileOpensOnAStalledReader) {
  std::promise<void> unstall;
  const std::shared_future<void> stalled = unstall.get_future().share();
  struct StalledReader {
    explicit StalledReader(std::shared_future<void> until) {
      audio::Engine::setDecoderOpener([until](const std::string& path) {
        until.wait();
        return audio::openDecoder(path);
      });
    }
    ~StalledReader() { audio::Engine::setDecoderOpener(nullptr); }
  };
  const StalledReader reader(stalled);
  Harness h(2, 1.0, "stalled");
  h.click(1);
  TickView shown;
  for (int i = 0; i < 50; ++i) shown = h.player.tick(h.spectrum);
  EXPECT_EQ(h.player.CurrentIndex(), 1) << "nothing skipped while the file opens";
  EXPECT_EQ(shown.positionMaximum, 0);
  EXPECT_EQ(text(shown.counter.view()), QStringLiteral("Track2  of  2"));
  unstall.set_value();
  EXPECT_EQ(text(h.tick().length.view()), QStringLiteral("00:00:01"));
  EXPECT_EQ(h.activity(), audio::Activity::Playing);
}

}  // namespace
