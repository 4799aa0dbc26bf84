#pragma once

// A playlist and a player over it, with no window, playing through the manually clocked
// output: audio advances only when a test renders frames, and the playback tick runs only
// when the test calls it.

#include <QObject>
#include <QString>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "audio/TETrack.h"
#include "audio/engine/Engine.h"
#include "audio/output/ManualClockOutput.h"
#include "playlist/Player.h"
#include "playlist/Playlist.h"
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
  explicit Harness(int entries = 0, double seconds = 0.05, const std::string& stem = "tone") {
    static const bool installed = [] {
      audio::Engine::setOutputFactory([](int rate) { return std::make_unique<audio::ManualClockOutput>(rate); });
      return true;
    }();
    (void)installed;
    player.createTrack();
    QObject::connect(&player, &Player::exitRequested, [this] { ++exitRequests; });
    for (int i = 0; i < entries; ++i) addEntry(toneFile(stem + std::to_string(i) + ".wav", seconds));
  }
  ~Harness() { player.freeTrack(); }

  TETrack& track() { return *player.Track(); }
  audio::Engine& engine() { return audio::Engine::instance(); }

  void addEntry(const QString& path) { playlist.append(path); }
  int selection() const { return playlist.selection(); }
  void click(int row) {
    playlist.select(row);
    player.startSelectedEntry();
  }
  // The three end-of-list boxes, each on its own.
  void setExit(bool on) { setRule(&EndOfListRules::exit, on); }
  void setRepeat(bool on) { setRule(&EndOfListRules::repeat, on); }
  void setRandom(bool on) { setRule(&EndOfListRules::random, on); }

  audio::StreamHandle stream() { return track().Stream; }
  // Files open in the background, and a start runs its steps once its file has opened. The
  // test lets the file finish opening (or failing) and the start finish, as the next tick
  // would, before it looks, renders or ticks, so that every run sees the same.
  void settle() {
    engine().streamAwaitOpen(track().OpeningStream());
    player.FinishWaitingStart();
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

  audio::ManualClockOutput& output() { return *dynamic_cast<audio::ManualClockOutput*>(engine().output()); }
  void render(int frames) {
    settle();
    output().render(frames);
    output().clearRecorded();
  }
  // Renders `frames` frames and returns them interleaved, left first.
  std::vector<float> hearStereo(int frames) {
    settle();
    std::vector<float> stereo = output().render(frames);
    output().clearRecorded();
    return stereo;
  }
  // Renders `frames` frames and returns the left channel.
  std::vector<float> hear(int frames) {
    const std::vector<float> stereo = hearStereo(frames);
    std::vector<float> left(stereo.size() / 2);
    for (size_t i = 0; i < left.size(); ++i) left[i] = stereo[2 * i];
    return left;
  }
  TickView tick() {
    settle();
    return player.tick(spectrum);
  }
  // Plays the current stream until it stops by itself (a bounded number of blocks), then runs
  // the tick that notices.
  void playOutAndTick() {
    for (int i = 0; i < 20000 && activity() == audio::Activity::Playing; ++i) render(512);
    tick();
  }

  void setRule(bool EndOfListRules::*rule, bool on) {
    EndOfListRules rules = player.endOfListRules();
    rules.*rule = on;
    player.setEndOfListRules(rules);
  }

  TempFolder folder;
  Playlist playlist;
  Player player{playlist};
  // What the tick fills, as the drawings' spectrum buffer.
  std::array<float, 513> spectrum{};
  int exitRequests = 0;
};

}  // namespace playback
