// The window's side of the playback tick on the manually clocked output: the read-outs it
// shows, the two gauges as input, a tick that allocates nothing, and the rest once nothing
// changes. What the tick reads is the player's, tested under tests/playlist/.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <chrono>
#include <cstddef>
#include <functional>
#include <thread>
#include <tuple>

#include "playlist/TickSchedule.h"
#include "tests/app/PlaybackHarness.h"
#include "tests/support/EventLoopWait.h"
#include "ui/TsGauge.h"
#include "vis/SpectrumLevels.h"

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

using Harness = playback::WindowHarness;
using playback::kSampleRate;

// A tone of 2.6 s: 114660 stereo 16-bit frames.
constexpr int64_t kToneBytes = 114660 * 4;

QString text(Harness& h, const char* label) { return h.part<QLabel>(label).text(); }

TEST(Tick, TheWindowShowsWhatTheTickGives) {
  Harness h(12, 2.6, "tick");
  h.click(2);
  h.tick();
  EXPECT_EQ(h.part<TsGauge>("sGauge1").MaxValue(), kToneBytes);
  EXPECT_EQ(text(h, "Label1"), QStringLiteral("00:00:00"));
  EXPECT_EQ(text(h, "Label2"), QStringLiteral("00:00:02"));
  EXPECT_GE(h.part<QLabel>("Label2").width(), h.part<QLabel>("Label2").sizeHint().width()) << "sized to its text";
  EXPECT_EQ(text(h, "Label3"), QStringLiteral("Track3  of  12"));
  h.render(kSampleRate + kSampleRate / 2);
  h.tick();
  EXPECT_EQ(h.part<TsGauge>("sGauge1").Progress(), h.position());
  EXPECT_EQ(text(h, "Label1"), QStringLiteral("00:00:01"));

  // Without a stream the counter keeps its text.
  Harness empty;
  empty.tick();
  EXPECT_EQ(text(empty, "Label3"), QString());
}

TEST(Tick, GaugesFollowTheLeftButton) {
  Harness h(1, 2.6, "tick");
  h.click(0);
  h.tick();
  TsGauge& position = h.part<TsGauge>("sGauge1");
  const int width = position.width();
  emit position.MouseMove(Qt::NoButton, width / 2, 3);
  EXPECT_EQ(h.position(), 0);
  emit position.MouseMove(Qt::LeftButton, width / 2, 3);
  EXPECT_NEAR(static_cast<double>(h.position()), kToneBytes / 2.0, kToneBytes / width);
  EXPECT_EQ(h.position(), position.Progress() / 4 * 4) << "on a whole frame";
  const int64_t before = h.position();
  emit position.MouseMove(Qt::LeftButton, width + 40, 3);
  EXPECT_EQ(position.Progress(), position.MaxValue());
  EXPECT_EQ(h.position(), before) << "the end itself is no place to seek to";

  TsGauge& volume = h.part<TsGauge>("sGauge2");
  ASSERT_EQ(volume.width(), 73);
  struct Case {
    Qt::MouseButtons buttons;
    int x;
    int volume;
  };
  for (const Case c : {Case{Qt::LeftButton, 36, 5}, Case{Qt::LeftButton, 99, 10},
                       Case{Qt::RightButton, 0, 10}, Case{Qt::LeftButton | Qt::RightButton, 22, 3}}) {
    emit volume.MouseMove(c.buttons, c.x, 4);
    EXPECT_EQ(volume.Progress(), c.volume) << c.x;
    EXPECT_EQ(h.track().LastVolume, c.volume) << c.x;
  }
}

TEST(Tick, ASteadyTickAllocatesNothing) {
  if (!TEMBR_COUNTS_ALLOCATIONS) GTEST_SKIP() << "allocations are not counted in this build";
  Harness h(1, 1.0, "tick");
  h.click(0);
  h.render(8192);
  h.part<QPushButton>("BitBtn3").click();
  // The frame timer clears the drawing once per five ticks. The first frames bring labels,
  // gauges and the drawing's buffers up to size; then nothing changes while paused.
  long most = 0;
  for (int i = 0; i < 60; ++i) {
    if (i % 5 == 0) h.frameStep();
    const long before = allocations;
    h.tick();
    if (i >= 20) most = std::max(most, allocations - before);
  }
  EXPECT_EQ(most, 0);
}

// However late the tick wakes, it runs the passes that fell due meanwhile, so that the levels
// fall as fast as ever, and the frame step after every fifth of them. The passes fall due on
// the wall clock: the test lets two frames' time pass, after which a wakeup runs one frame's
// passes, each of them after the silence was heard.
TEST(Tick, AWakeupRunsThePassesThatFellDueWithTheFrameStepAfterEveryFifth) {
  Harness h;
  h.addEntry(playback::toneThenSilenceFile("wake.wav", 0.5, 1.0));
  h.click(0);
  h.render(kSampleRate / 4);
  h.tick();
  const SpectrumState& spectrum = visualisationOf(h.window()).spectrum();
  ASSERT_EQ(spectrum.PeakLevels[20], 97);
  h.render(kSampleRate / 2);
  h.frameTimer.start(std::chrono::hours(1));
  h.tick();
  const int32_t peak = spectrum.PeakLevels[20];
  std::this_thread::sleep_for(2 * TickSchedule::kFrameInterval);
  h.tick();
  EXPECT_EQ(spectrum.PeakLevels[20], peak - TickSchedule::kPassesPerFrame * kPeakFallPerPass) << "one frame's passes";
  const size_t recorded = visualisationOf(h.window()).surface().frame().primitives().size();
  EXPECT_EQ(recorded % kDrawnBins, 0u);
  EXPECT_LT(recorded, size_t{TickSchedule::kPassesPerFrame} * kDrawnBins) << "a frame step among them";
  h.frameTimer.stop();
}

// The tick wakes for its next pass, rather than with the next frame step, once something may
// have given it a change to act on: an input event, such as a press on the balance bar, but
// not a pointer passing over; a start that begins to wait for its file; a stream about to end.
TEST(Tick, WakesForItsNextPassAfterInputAndWhileThePlayerHasToActAtOnce) {
  Harness h(2, 1.0, "prompt");
  const auto wakesForNextPass = [&] { return h.tickTimer.interval() <= TickSchedule::kPassInterval.count(); };
  const auto atFrameStep = [&] { h.tickTimer.start(TickSchedule::kFrameInterval); };
  auto& balance = h.part<QSlider>("sTrackBar1");
  const QPointF inside(1, 1);
  const auto mouse = [&](QEvent::Type type, Qt::MouseButtons buttons) {
    QMouseEvent event(type, inside, balance.mapToGlobal(inside), Qt::NoButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&balance, &event);
  };
  atFrameStep();
  mouse(QEvent::MouseMove, Qt::NoButton);
  EXPECT_FALSE(wakesForNextPass()) << "a pointer passing over";
  mouse(QEvent::MouseButtonPress, Qt::LeftButton);
  mouse(QEvent::MouseButtonRelease, Qt::NoButton);
  EXPECT_TRUE(wakesForNextPass()) << "a press";
  atFrameStep();
  h.click(0);
  EXPECT_TRUE(wakesForNextPass()) << "the start waits for its file";
  h.render(kSampleRate * 85 / 100);
  atFrameStep();
  fire(h.tickTimer);
  EXPECT_TRUE(wakesForNextPass()) << "0.15 s left";
  h.tickTimer.stop();
}

// Runs the clock as the timers would: every tick after 10 ms of sound, and the frame step with
// every fifth tick.
void runFor(Harness& h, int ticks) {
  for (int i = 1; i <= ticks; ++i) {
    h.render(kSampleRate / 100);
    h.tick();
    if (i % 5 == 0) h.frameStep();
  }
}

// Whether the tick rests once its timers run. It rests right after a frame step, and it
// wakes for the frame steps, so three wakeups of its own are enough to tell.
bool restsOnceItsTimersRun(Harness& h) {
  int wakeups = 0;
  const QMetaObject::Connection counting = QObject::connect(&h.tickTimer, &QTimer::timeout, [&] { ++wakeups; });
  h.tickTimer.start();
  h.frameTimer.start();
  spinUntil([&] { return !h.tickTimer.isActive() || wakeups >= 3; });
  const bool rested = !h.tickTimer.isActive();
  QObject::disconnect(counting);
  h.tickTimer.stop();
  h.frameTimer.stop();
  return rested;
}

// Everything a tick or a frame step changes.
auto shown(Harness& h) {
  const SpectrumState& spectrum = visualisationOf(h.window()).spectrum();
  return std::make_tuple(text(h, "Label1"), text(h, "Label2"), text(h, "Label3"),
                         h.part<TsGauge>("sGauge1").MaxValue(), h.part<TsGauge>("sGauge1").Progress(),
                         spectrum.SpectrumBuffer, spectrum.PeakLevels, spectrum.BarLevels, h.player.CurrentIndex(),
                         h.window().windowTitle(), h.track().State, h.activity(), h.position());
}

struct RestCase {
  const char* what;
  std::function<void(Harness&)> stop;
  bool rests;
};

const RestCase kRestCases[] = {
    {"paused", [](Harness& h) { h.part<QPushButton>("BitBtn3").click(); }, true},
    {"stopped", [](Harness& h) { h.part<QPushButton>("BitBtn4").click(); }, true},
    {"the only entry ended", [](Harness& h) { h.playOutAndTick(); }, true},
    {"the only entry ended under Repeat List",
     [](Harness& h) {
       h.part<QCheckBox>("CheckBox1").setChecked(true);
       h.playOutAndTick();
     },
     false},
    {"playing", [](Harness&) {}, false},
};

// Once nothing is heard and the picture has settled after pause, stop or the end of the list,
// a tick and a frame step change nothing: the tick rests, and a tick that did not rest shows
// what a resting one leaves on show. While anything can change by itself, it may not.
TEST(Tick, RestsOnceTheMusicHasStoppedAndThePictureHasSettled) {
  for (const RestCase& c : kRestCases) {
    Harness h(1, 4.0, "rest");
    h.click(0);
    runFor(h, 50);
    c.stop(h);
    runFor(h, 300);
    EXPECT_EQ(restsOnceItsTimersRun(h), c.rests) << c.what;
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
  QTimer& tick = timerOf(h.window(), "Timer1");
  QTimer& frame = timerOf(h.window(), "Timer3");
  tick.start();
  frame.start();
  ASSERT_TRUE(spinUntil([&] { return !tick.isActive(); })) << "never rested";
  EXPECT_FALSE(frame.isActive());

  auto& repeat = h.part<QCheckBox>("CheckBox1");
  const QPointF inside(repeat.width() / 2.0, repeat.height() / 2.0);
  QMouseEvent press(QEvent::MouseButtonPress, inside, repeat.mapToGlobal(inside), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, inside, repeat.mapToGlobal(inside), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&repeat, &press);
  QCoreApplication::sendEvent(&repeat, &release);
  ASSERT_TRUE(repeat.isChecked());
  EXPECT_TRUE(tick.isActive());
  EXPECT_TRUE(spinUntil([&] { return h.track().State == PlayState::Playing && h.position() == 0 &&
                                     h.activity() == audio::Activity::Playing; }));
  tick.stop();
  frame.stop();
}

}  // namespace
