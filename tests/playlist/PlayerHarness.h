#pragma once

// A playlist and a player over it, with no window, playing through the manually clocked
// output: audio advances only when a test renders frames, and the playback tick runs only
// when the test calls it. TrackDriver drives a player's track this way for the window's
// tests too.

#include <QObject>
#include <QString>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
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

// A mono tone on bin 20 of the spectrum for `toneSeconds`, then silence for `silenceSeconds`.
inline QString toneThenSilenceFile(const std::string& name, double toneSeconds, double silenceSeconds) {
  const auto toneFrames = static_cast<size_t>(toneSeconds * kSampleRate);
  std::vector<int16_t> samples(toneFrames + static_cast<size_t>(silenceSeconds * kSampleRate), 0);
  for (size_t i = 0; i < toneFrames; ++i) {
    samples[i] = static_cast<int16_t>(16000 * std::sin(2 * std::numbers::pi * 20 * static_cast<double>(i) / 1024.0));
  }
  return QString::fromStdString(fixtures::writeWav(name, kSampleRate, 1, samples));
}

// Every engine of the test process plays through the manually clocked output.
inline void useManualClockOutput() {
  static const bool installed = [] {
    audio::Engine::setOutputFactory([](int rate) { return std::make_unique<audio::ManualClockOutput>(rate); });
    return true;
  }();
  (void)installed;
}

// A player's playlist and track as a test drives them on the manually clocked output.
class TrackDriver {
 public:
  TrackDriver(Playlist& playlist, Player& player) : playlist_(playlist), player_(player) { useManualClockOutput(); }

  TETrack& track() { return *player_.Track(); }
  audio::Engine& engine() { return audio::Engine::instance(); }
  audio::StreamHandle stream() { return track().Stream; }

  void addEntry(const QString& path) { playlist_.append(path); }
  int selection() const { return playlist_.selection(); }
  void click(int row) {
    playlist_.select(row);
    player_.startSelectedEntry();
  }

  // Files open in the background, and a start runs its steps once its file has opened. The
  // test lets the file finish opening (or failing) and the start finish, as the next tick
  // would, before it looks, renders or ticks, so that every run sees the same.
  void settle() {
    engine().streamAwaitOpen(track().OpeningStream());
    player_.FinishWaitingStart();
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
  void render(int frames) { hearStereo(frames); }
  // Renders `frames` frames and returns them interleaved, left first.
  std::vector<float> hearStereo(int frames) {
    settle();
    auto& output = *dynamic_cast<audio::ManualClockOutput*>(engine().output());
    std::vector<float> stereo = output.render(frames);
    output.clearRecorded();
    return stereo;
  }
  // Renders `frames` frames and returns the left channel.
  std::vector<float> hear(int frames) {
    const std::vector<float> stereo = hearStereo(frames);
    std::vector<float> left(stereo.size() / 2);
    for (size_t i = 0; i < left.size(); ++i) left[i] = stereo[2 * i];
    return left;
  }
  // Plays the current stream until it stops by itself, in a bounded number of blocks.
  void playOut() {
    for (int i = 0; i < 20000 && activity() == audio::Activity::Playing; ++i) render(512);
  }

 private:
  Playlist& playlist_;
  Player& player_;
};

class Harness : public TrackDriver {
 public:
  // `entries` tones of `seconds` each, named <stem>0.wav, <stem>1.wav, ...
  explicit Harness(int entries = 0, double seconds = 0.05, const std::string& stem = "tone")
      : TrackDriver(playlist, player) {
    player.createTrack();
    QObject::connect(&player, &Player::exitRequested, [this] { ++exitRequests; });
    for (int i = 0; i < entries; ++i) addEntry(toneFile(stem + std::to_string(i) + ".wav", seconds));
  }
  ~Harness() { player.freeTrack(); }

  // The three end-of-list boxes, each on its own.
  void setExit(bool on) { setRule(&EndOfListRules::exit, on); }
  void setRepeat(bool on) { setRule(&EndOfListRules::repeat, on); }
  void setRandom(bool on) { setRule(&EndOfListRules::random, on); }

  TickView tick() {
    settle();
    return player.tick(spectrum);
  }
  // Plays the current stream to its end, then runs the tick that notices.
  void playOutAndTick() {
    playOut();
    tick();
  }

  TempFolder folder;
  Playlist playlist;
  Player player{playlist};
  // What the tick fills, as the drawings' spectrum buffer.
  std::array<float, 513> spectrum{};
  int exitRequests = 0;

 private:
  void setRule(bool EndOfListRules::*rule, bool on) {
    EndOfListRules rules = player.endOfListRules();
    rules.*rule = on;
    player.setEndOfListRules(rules);
  }
};

}  // namespace playback
