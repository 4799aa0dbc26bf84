#pragma once

// Plays through SDL2's audio device. The driver is whatever SDL chooses from its own
// environment (SDL_AUDIODRIVER, SDL_AUDIO_DEVICE_NAME...); with SDL_AUDIODRIVER=disk the
// played samples land in SDL_DISKAUDIOFILE.
//
// A watch thread looks after the device. Without one (none could be opened at start, as when
// the desktop starts the player before its sound server, or the device went away while
// playing: unplugged, its sound server ended) it keeps the source rendering at the real-time
// pace in silence, so that playback goes on, and tries again every half second, letting SDL
// choose its driver afresh each time, until a device opens.
//
// While nothing has played for two seconds the device is closed, and the silent rendering
// stops too, so that an idle player costs no audio thread, no sound-server traffic and no
// wakeups; wake() gets it going again, on the watch thread. A device that writes to a file
// (SDL's disk driver) stays open unless asked otherwise, since a reopened one starts its file
// anew.
//
// Threads: the controlling thread starts and stops the output; wake() may be called from any
// thread and never waits while the device opens or closes, which only the watch thread does.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "audio/output/Output.h"

namespace audio {

class SdlOutput : public Output {
 public:
  enum class FileDevice { StaysOpen, RestsToo };

  // Never fails: when no device opens, the output starts without one and keeps trying.
  static std::unique_ptr<SdlOutput> open(int sampleRate, FileDevice fileDevice = FileDevice::StaysOpen);
  ~SdlOutput() override;

  void start(RenderSource* source) override;
  void stop() override;
  int sampleRate() const override { return sampleRate_; }
  int periodFrames() const override { return periodFrames_; }
  void wake() override;
  // Any thread. Whether a device is open right now.
  bool hasDevice() const { return device_.load() != 0; }

 private:
  // What the watch thread is doing: watching an open device, rendering in silence without
  // one, or resting until woken.
  enum class Mode { Device, Silent, Resting };

  SdlOutput(int sampleRate, FileDevice fileDevice);
  // Watch thread (and open(), before it starts). Opens the default device and lets it play;
  // false when none opens. With `afresh`, SDL's audio is started again first, so that it
  // chooses among its drivers anew (a sound server that has appeared since).
  bool openDevice(bool afresh);
  void closeDevice();
  static void callback(void* user, uint8_t* stream, int bytes);
  void watch();
  void stopWatch();
  // Watch thread. Waits until woken, asked to stop, or `deadline` (none: no time limit);
  // false when asked to stop. `woken` tells whether wake() was called since the last wait.
  bool waitUntil(std::optional<std::chrono::steady_clock::time_point> deadline, bool& woken);
  // One look at an open device: lost, or idle for long enough to close.
  void watchDevice(int& idleRounds);
  // Without a device: another attempt when one is due, and a silent period when one is due.
  void renderSilently(int& idlePeriods);
  // Audio thread: the first frames of a device that came in while the source played.
  void fadeIn(float* interleaved, int frames) const;
  std::chrono::steady_clock::time_point silentPeriodDue() const;
  void resume();
  void beginSilence();

  const int sampleRate_;
  const FileDevice fileDevice_;
  int periodFrames_ = 0;
  std::atomic<uint32_t> device_{0};
  RenderSource* source_ = nullptr;
  // Set by the watch thread when a device opens while the source plays on in silence: the
  // sound comes in part-way, so the callback fades its first period in.
  std::atomic<bool> fadeIn_{false};

  // Guarded by watchMutex_, which nobody holds while the device opens or closes.
  std::mutex watchMutex_;
  std::condition_variable watchWake_;
  bool watching_ = false;
  bool wakeRequested_ = false;

  // Watch thread only (and the controlling thread while it does not run).
  std::thread watch_;
  Mode mode_ = Mode::Resting;
  bool sdlStarted_ = false;
  bool mayRest_ = true;
  std::vector<float> silentBuffer_;
  std::chrono::steady_clock::time_point silenceStart_;
  long long silentPeriods_ = 0;
  std::chrono::steady_clock::time_point nextAttempt_;
};

}  // namespace audio
