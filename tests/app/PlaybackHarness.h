#pragma once

// A window playing its playlist through the manually clocked output: audio advances only
// when a test renders frames, and the playback tick and the frame step run only when the test
// fires their timers. For what the window shows and how it rests; the playing itself is the
// player's, tested without a window under tests/playlist/.

#include <memory>
#include <string>
#include <vector>

#include "app/TForm1.h"
#include "audio/TETrack.h"
#include "audio/engine/Engine.h"
#include "audio/output/ManualClockOutput.h"
#include "tests/app/StartedWindow.h"
#include "tests/audio/support/AudioFixtures.h"
#include "tests/support/TestFiles.h"

namespace playback {

inline constexpr int kSampleRate = 44100;

// A stereo 440 Hz tone written for the test.
inline QString toneFile(const std::string& name, double seconds) {
  return QString::fromStdString(fixtures::writeSineWav(name, kSampleRate, 2, 440.0, seconds));
}

class Harness {
 public:
  // `entries` tones of `seconds` each, named <stem>0.wav, <stem>1.wav, ...
  explicit Harness(int entries = 0, double seconds = 0.05, const std::string& stem = "tone")
      : form(startWindow(folder.path())),
        player_(playerOf(*form)),
        playlist_(playlistOf(*form)),
        tickTimer_(timerOf(*form, "Timer1")),
        frameTimer_(timerOf(*form, "Timer3")) {
    for (int i = 0; i < entries; ++i) addEntry(toneFile(stem + std::to_string(i) + ".wav", seconds));
  }
  ~Harness() { form->FormDestroy(); }

  TForm1& window() { return *form; }
  template <typename T = QWidget>
  T& part(const char* name) {
    return ::part<T>(*form, name);
  }
  // The parts that the tick uses are found once: finding one by its name allocates.
  Player& player() { return player_; }
  Playlist& playlist() { return playlist_; }
  TETrack& track() { return *player().Track(); }
  audio::Engine& engine() { return audio::Engine::instance(); }

  void addEntry(const QString& path) { playlist().append(path); }
  void click(int row) {
    playlist().select(row);
    player().startSelectedEntry();
  }

  audio::StreamHandle stream() { return track().Stream; }
  // Files open in the background, and a start runs its steps once its file has opened. The
  // test lets the file finish opening (or failing) and the start finish, as the next tick
  // would, before it looks, renders or ticks, so that every run sees the same.
  void settle() {
    engine().streamAwaitOpen(track().OpeningStream());
    player().FinishWaitingStart();
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
  void tick() {
    settle();
    fire(tickTimer_);
  }
  void frameStep() { fire(frameTimer_); }
  // Plays the current stream until it stops by itself (a bounded number of blocks), then runs
  // the tick that notices.
  void playOutAndTick() {
    for (int i = 0; i < 20000 && activity() == audio::Activity::Playing; ++i) render(512);
    tick();
  }

  TempFolder folder;
  std::unique_ptr<TForm1> form;

 private:
  Player& player_;
  Playlist& playlist_;
  QTimer& tickTimer_;
  QTimer& frameTimer_;
};

}  // namespace playback
