// The playback tick's read-outs and the two gauges, on the manually clocked output.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <cstddef>
#include <functional>
#include <future>
#include <string>
#include <tuple>

#include "audio/decode/Decoder.h"
#include "playlist/Player.h"
#include "tests/app/PlaybackHarness.h"
#include "tests/support/EventLoopWait.h"
#include "ui/TsGauge.h"
#include "ui/TsTrackBar.h"
#include "ui_TForm1.h"
#include "vis/VisSurface.h"

// Every heap allocation of the program is counted, per thread, so the engine's own threads do
// not disturb the count: malloc, calloc and realloc are taken over (C++ and Qt allocate
// through them) and forwarded to the C library's own. A sanitizer build has its own
// allocator in their place, and leaves the count to the other builds.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TEMBR_COUNTS_ALLOCATIONS 0
#else
#define TEMBR_COUNTS_ALLOCATIONS 1
#endif

namespace {
thread_local long allocations = 0;
}

#if TEMBR_COUNTS_ALLOCATIONS
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* malloc(std::size_t size) {
  ++allocations;
  return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
  ++allocations;
  return __libc_calloc(count, size);
}
void* realloc(void* pointer, std::size_t size) {
  ++allocations;
  return __libc_realloc(pointer, size);
}
}
#endif

namespace {

using playback::Harness;
using playback::kSampleRate;

// A tone of 2.6 s: 114660 stereo 16-bit frames.
constexpr int64_t kToneBytes = 114660 * 4;

QString text(QLabel* label) { return label->text(); }

TEST(Tick, ReadOutsFollowTheStream) {
  Harness h(12, 2.6, "tick");
  h.click(2);
  h.ui().sTrackBar1->setValue(-5);
  h.ui().sGauge2->setProgress(7);
  h.tick();
  EXPECT_EQ(h.ui().sGauge1->MaxValue(), kToneBytes);
  EXPECT_EQ(text(h.ui().Label1), QStringLiteral("00:00:00"));
  EXPECT_EQ(text(h.ui().Label2), QStringLiteral("00:00:02"));
  EXPECT_GE(h.ui().Label2->width(), h.ui().Label2->sizeHint().width()) << "sized to its text";
  EXPECT_EQ(text(h.ui().Label3), QStringLiteral("Track3  of  12"));
  float volume = 0;
  float pan = 0;
  h.engine().getAttribute(h.stream(), audio::Attribute::Volume, volume);
  h.engine().getAttribute(h.stream(), audio::Attribute::Pan, pan);
  EXPECT_FLOAT_EQ(volume, 0.7f);
  EXPECT_FLOAT_EQ(pan, -1.0f);

  h.render(kSampleRate + kSampleRate / 2);
  h.tick();
  EXPECT_EQ(h.ui().sGauge1->Progress(), h.position());
  EXPECT_EQ(text(h.ui().Label1), QStringLiteral("00:00:01"));
  for (int bin : {0, 10, 511}) EXPECT_GE(h.window().spectrum().SpectrumBuffer[bin], 0.0f) << bin;

  h.window().BitBtn3Click();
  const int progress = h.ui().sGauge1->Progress();
  h.render(kSampleRate);
  h.tick();
  EXPECT_EQ(h.ui().sGauge1->Progress(), progress) << "paused";
}

TEST(Tick, WithoutAStreamLeavesCounterAndSpectrumAlone) {
  Harness h;
  h.window().spectrum().SpectrumBuffer.fill(-1.0f);
  h.tick();
  EXPECT_EQ(text(h.ui().Label3), QString());
  EXPECT_EQ(h.ui().sGauge1->MaxValue(), 0);
  EXPECT_EQ(h.window().spectrum().SpectrumBuffer[0], -1.0f);
}

TEST(Tick, GaugesFollowTheLeftButton) {
  Harness h(1, 2.6, "tick");
  h.click(0);
  h.tick();
  TsGauge* position = h.ui().sGauge1;
  const int width = position->width();
  h.window().sGauge1MouseMove(Qt::NoButton, width / 2, 3);
  EXPECT_EQ(h.position(), 0);
  h.window().sGauge1MouseMove(Qt::LeftButton, width / 2, 3);
  EXPECT_NEAR(static_cast<double>(h.position()), kToneBytes / 2.0, kToneBytes / width);
  EXPECT_EQ(h.position(), position->Progress() / 4 * 4) << "on a whole frame";
  const int64_t before = h.position();
  h.window().sGauge1MouseMove(Qt::LeftButton, width + 40, 3);
  EXPECT_EQ(position->Progress(), position->MaxValue());
  EXPECT_EQ(h.position(), before) << "the end itself is no place to seek to";

  ASSERT_EQ(h.ui().sGauge2->width(), 73);
  struct Case {
    Qt::MouseButtons buttons;
    int x;
    int volume;
  };
  for (const Case c : {Case{Qt::LeftButton, 36, 5}, Case{Qt::LeftButton, 99, 10},
                       Case{Qt::RightButton, 0, 10}, Case{Qt::LeftButton | Qt::RightButton, 22, 3}}) {
    h.window().sGauge2MouseMove(c.buttons, c.x, 4);
    EXPECT_EQ(h.ui().sGauge2->Progress(), c.volume) << c.x;
    EXPECT_EQ(h.track().LastVolume, c.volume) << c.x;
  }
}

TEST(Tick, ASteadyTickAllocatesNothing) {
  if (!TEMBR_COUNTS_ALLOCATIONS) GTEST_SKIP() << "allocations are not counted in this build";
  Harness h(1, 1.0, "tick");
  h.click(0);
  h.render(8192);
  h.window().BitBtn3Click();
  // The frame timer clears the drawing once per five ticks. The first frames bring labels,
  // gauges and the drawing's buffers up to size; then nothing changes while paused.
  long most = 0;
  for (int i = 0; i < 60; ++i) {
    if (i % 5 == 0) h.window().Timer3Timer();
    const long before = allocations;
    h.tick();
    if (i >= 20) most = std::max(most, allocations - before);
  }
  EXPECT_EQ(most, 0);
}

// Files open on the engine's media thread: with a reader that stalls, a click on an entry
// returns at once and the tick runs on, showing what is known, until the file is there.
TEST(Tick, RunsOnWhileAFileOpensOnAStalledReader) {
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
  h.window().playlist().select(1);
  h.window().ListBox1Click();
  for (int i = 0; i < 50; ++i) h.window().Timer1Timer();
  EXPECT_EQ(h.window().player().CurrentIndex(), 1) << "nothing skipped while the file opens";
  EXPECT_EQ(h.ui().sGauge1->MaxValue(), 0);
  EXPECT_EQ(text(h.ui().Label3), QStringLiteral("Track2  of  2"));
  unstall.set_value();
  h.tick();
  EXPECT_EQ(text(h.ui().Label2), QStringLiteral("00:00:01"));
  EXPECT_EQ(h.activity(), audio::Activity::Playing);
}

// Runs the clock as the timers would: every tick after 10 ms of sound, and the frame step with
// every fifth tick.
void runFor(Harness& h, int ticks) {
  for (int i = 1; i <= ticks; ++i) {
    h.render(kSampleRate / 100);
    h.tick();
    if (i % 5 == 0) h.window().Timer3Timer();
  }
}

// Everything a tick or a frame step changes.
auto shown(Harness& h) {
  TForm1& w = h.window();
  return std::make_tuple(text(h.ui().Label1), text(h.ui().Label2), text(h.ui().Label3), h.ui().sGauge1->MaxValue(),
                         h.ui().sGauge1->Progress(), w.spectrum().SpectrumBuffer, w.spectrum().PeakLevels, w.spectrum().BarLevels, w.player().CurrentIndex(),
                         w.windowTitle(), h.track().State, h.activity(), h.position());
}

struct RestCase {
  const char* what;
  std::function<void(Harness&)> stop;
  bool rests;
};

const RestCase kRestCases[] = {
    {"paused", [](Harness& h) { h.window().BitBtn3Click(); }, true},
    {"stopped", [](Harness& h) { h.window().BitBtn4Click(); }, true},
    {"the only entry ended", [](Harness& h) { h.playOutAndTick(); }, true},
    {"the only entry ended under Repeat List",
     [](Harness& h) {
       h.ui().CheckBox1->setChecked(true);
       h.playOutAndTick();
     },
     false},
    {"playing", [](Harness&) {}, false},
};

// Once nothing is heard and the picture has settled after pause, stop or the end of the list,
// a tick and a frame step change nothing: the tick may rest, and a tick that did not rest
// shows what a resting one leaves on show. While anything can change by itself, it may not.
TEST(Tick, RestsOnceTheMusicHasStoppedAndThePictureHasSettled) {
  for (const RestCase& c : kRestCases) {
    Harness h(1, 4.0, "rest");
    h.click(0);
    runFor(h, 50);
    c.stop(h);
    runFor(h, 300);
    EXPECT_EQ(h.window().NothingToTick() && h.window().Surface->atRest(), c.rests) << c.what;
    if (!c.rests) continue;
    const auto before = shown(h);
    runFor(h, 100);
    EXPECT_TRUE(shown(h) == before) << c.what;
  }
}

// With its timers running, the tick rests after the list has ended; ticking "Repeat List"
// is an event, which wakes it, and the rule acts as if the tick had run all along.
TEST(Tick, AnEventWakesARestingTickAndTheEndOfListRulesAct) {
  Harness h(1, 0.2, "rest");
  h.click(0);
  h.playOutAndTick();
  h.window().Timer1->start();
  h.window().Timer3->start();
  ASSERT_TRUE(spinUntil([&] { return !h.window().Timer1->isActive(); })) << "never rested";
  EXPECT_FALSE(h.window().Timer3->isActive());

  QCheckBox* repeat = h.ui().CheckBox1;
  const QPointF inside(repeat->width() / 2.0, repeat->height() / 2.0);
  QMouseEvent press(QEvent::MouseButtonPress, inside, repeat->mapToGlobal(inside), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, inside, repeat->mapToGlobal(inside), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(repeat, &press);
  QCoreApplication::sendEvent(repeat, &release);
  ASSERT_TRUE(repeat->isChecked());
  EXPECT_TRUE(h.window().Timer1->isActive());
  EXPECT_TRUE(spinUntil([&] { return h.track().State == PlayState::Playing && h.position() == 0 &&
                                     h.activity() == audio::Activity::Playing; }));
  h.window().Timer1->stop();
  h.window().Timer3->stop();
}

}  // namespace
