// The cost of one playback tick while a stream plays, as the window's tick timer runs it:
// read-outs, volume and balance, the end-of-track check, the spectrum fetch, the drawing and
// the parameter push. The audio runs
// on the manually clocked output and advances between ticks by the frames that a 10 ms tick
// period would bring, so every tick sees a moving position and fresh spectrum data.
//
// Each tick is timed on its own; the figures printed are the median, the 90th percentile and
// the slowest tick of each repetition, in microseconds. Nothing is asserted.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QMetaMethod>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "app/TForm1.h"
#include "audio/TETrack.h"
#include "audio/engine/Engine.h"
#include "audio/output/ManualClockOutput.h"
#include "playlist/Player.h"
#include "playlist/Playlist.h"
#include "tests/audio/support/AudioFixtures.h"

namespace {

constexpr int kSampleRate = 44100;
constexpr int kFramesPerTick = kSampleRate / 100;
// The frame timer presents and clears the drawing once per five playback ticks.
constexpr int kTicksPerFrame = 5;
constexpr double kToneSeconds = 30.0;

QTimer& timer(TForm1& form, const char* name) { return *form.findChild<QTimer*>(QString::fromLatin1(name)); }

// Runs what the timer's tick runs, as the timer would.
void fire(QTimer& timer) {
  static const QMetaMethod timeout = QMetaMethod::fromSignal(&QTimer::timeout);
  timeout.invoke(&timer, Qt::DirectConnection);
}

audio::ManualClockOutput& manualOutput() {
  return *dynamic_cast<audio::ManualClockOutput*>(audio::Engine::instance().output());
}

void BM_Timer1TimerPlaying(benchmark::State& state) {
  QTemporaryDir folder;
  TForm1 form(folder.path());
  form.FormCreate();
  QTimer& tickTimer = timer(form, "Timer1");
  QTimer& frameTimer = timer(form, "Timer3");
  tickTimer.stop();
  frameTimer.stop();
  timer(form, "Timer4").stop();
  Playlist& playlist = *form.findChild<Playlist*>(QStringLiteral("Playlist"));
  Player& player = *form.findChild<Player*>(QStringLiteral("Player"));
  const std::string tone = fixtures::writeSineWav("tickbench.wav", kSampleRate, 2, 440.0, kToneSeconds);
  playlist.append(QString::fromStdString(tone));
  playlist.select(0);
  player.startSelectedEntry();
  audio::ManualClockOutput& output = manualOutput();
  std::vector<double> micros;
  micros.reserve(static_cast<size_t>(state.max_iterations));

  int tick = 0;
  for (auto _ : state) {
    if (tick++ % kTicksPerFrame == 0) fire(frameTimer);
    output.render(kFramesPerTick);
    output.clearRecorded();
    // Starts the tone again before it runs out, so every tick measures a playing stream.
    if (std::chrono::duration<double>(player.Track()->GetPositionTime()).count() > kToneSeconds - 1.0) player.next();
    const auto start = std::chrono::steady_clock::now();
    fire(tickTimer);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(took.count());
    micros.push_back(took.count() * 1e6);
  }
  form.FormDestroy();

  std::sort(micros.begin(), micros.end());
  auto at = [&](double share) { return micros[static_cast<size_t>(share * (micros.size() - 1))]; };
  state.counters["median_us"] = at(0.5);
  state.counters["p90_us"] = at(0.9);
  state.counters["max_us"] = micros.back();
}

BENCHMARK(BM_Timer1TimerPlaying)
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime()
    ->Iterations(2000)
    ->Repetitions(5);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  audio::Engine::setOutputFactory(
      [](int rate) { return std::make_unique<audio::ManualClockOutput>(rate); });
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
