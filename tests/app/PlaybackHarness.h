#pragma once

// A window playing its playlist through the manually clocked output: audio advances only
// when a test renders frames, and the playback tick runs only when the test calls it.

#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "app/TForm1.h"
#include "audio/TETrack.h"
#include "audio/engine/Engine.h"
#include "audio/output/ManualClockOutput.h"
#include "playlist/Player.h"
#include "playlist/Playlist.h"
#include "tests/audio/support/AudioFixtures.h"
#include "tests/support/TestFiles.h"
#include "ui_TForm1.h"

namespace playback {

inline constexpr int kSampleRate = 44100;

// A stereo 440 Hz tone written for the test.
inline QString toneFile(const std::string& name, double seconds) {
  return QString::fromStdString(fixtures::writeSineWav(name, kSampleRate, 2, 440.0, seconds));
}

class Harness {
 public:
  // `entries` tones of `seconds` each, named <stem>0.wav, <stem>1.wav, ...
  explicit Harness(int entries = 0, double seconds = 0.05, const std::string& stem = "tone") {
    static const bool installed = [] {
      audio::Engine::setOutputFactory(
          [](int rate) { return std::make_unique<audio::ManualClockOutput>(rate); });
      return true;
    }();
    (void)installed;
    form->FormCreate();
    // The test is the clock: no timer may fire behind its back.
    for (QTimer* timer : {form->Timer1, form->Timer3, form->Timer4}) timer->stop();
    for (int i = 0; i < entries; ++i) addEntry(toneFile(stem + std::to_string(i) + ".wav", seconds));
  }
  ~Harness() { form->FormDestroy(); }

  TForm1& window() { return *form; }
  Ui::TForm1& ui() { return *form->ui; }
  TETrack& track() { return *form->player().Track(); }
  audio::Engine& engine() { return audio::Engine::instance(); }

  void addEntry(const QString& path) { form->playlist().append(path); }
  int selection() { return form->playlist().selection(); }
  void click(int row) {
    form->playlist().select(row);
    form->ListBox1Click();
  }

  audio::StreamHandle stream() { return form->player().Track()->Stream; }
  // Files open in the background, and a start runs its steps once its file has opened. The
  // test lets the file finish opening (or failing) and the start finish, as the next tick
  // would, before it looks, renders or ticks, so that every run sees the same.
  void settle() {
    engine().streamAwaitOpen(track().OpeningStream());
    form->player().FinishWaitingStart();
    engine().streamAwaitOpen(stream());
  }
  audio::Activity activity() {
    settle();
    return engine().isActive(stream());
  }
  int64_t position() {
    settle();
    return engine().getPosition(stream());
  }

  void render(int frames) {
    settle();
    auto* output = dynamic_cast<audio::ManualClockOutput*>(engine().output());
    output->render(frames);
    output->clearRecorded();
  }
  // Renders `frames` frames and returns them interleaved, left first.
  std::vector<float> hearStereo(int frames) {
    settle();
    auto* output = dynamic_cast<audio::ManualClockOutput*>(engine().output());
    std::vector<float> stereo = output->render(frames);
    output->clearRecorded();
    return stereo;
  }
  // Renders `frames` frames and returns the left channel.
  std::vector<float> hear(int frames) {
    const std::vector<float> stereo = hearStereo(frames);
    std::vector<float> left(stereo.size() / 2);
    for (size_t i = 0; i < left.size(); ++i) left[i] = stereo[2 * i];
    return left;
  }
  void tick() {
    settle();
    form->Timer1Timer();
  }
  // Plays the current stream until it stops by itself (a bounded number of blocks), then runs
  // the tick that notices.
  void playOutAndTick() {
    for (int i = 0; i < 20000 && activity() == audio::Activity::Playing; ++i) render(512);
    tick();
  }

  TempFolder folder;
  std::unique_ptr<TForm1> form = std::make_unique<TForm1>(folder.path());
};

}  // namespace playback
