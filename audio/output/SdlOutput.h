#pragma once

// Plays through SDL2's audio device. The driver is whatever SDL chooses from its own
// environment (SDL_AUDIODRIVER, SDL_AUDIO_DEVICE_NAME...); with SDL_AUDIODRIVER=disk the
// played samples land in SDL_DISKAUDIOFILE.
//
// A device that goes away while playing (unplugged, its sound server ended) is noticed by a
// watch thread: it closes the lost device, keeps the source rendering at the real-time pace
// in silence so that playback goes on, and reopens the default device every half second
// until one opens again.
//
// While nothing has played for a while the device is closed, so that an idle player costs
// no audio thread and no sound-server traffic; wake() opens it again, on the watch thread.
// A device that writes to a file (SDL's disk driver) stays open, since a reopened one starts
// its file anew.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/output/Output.h"

namespace audio {

class SdlOutput : public Output {
 public:
  // Returns nullptr when SDL cannot open an audio device.
  static std::unique_ptr<SdlOutput> open(int sampleRate);
  ~SdlOutput() override;

  void start(RenderSource* source) override;
  void stop() override;
  int sampleRate() const override { return sampleRate_; }
  int periodFrames() const override { return periodFrames_; }
  void wake() override;

 private:
  explicit SdlOutput(int sampleRate);
  bool openDevice();
  static void callback(void* user, uint8_t* stream, int bytes);
  void watch();
  void stopWatch();
  // Watch thread, with watchMutex_ held. Closes the device after a run of idle rounds; opens
  // it again when woken.
  void restWhileIdle(int& idleRounds);
  void resume();
  // Renders in silence at the real-time pace until a device opens again or the watch ends.
  void playSilentlyUntilReopened(RenderSource* source);

  std::atomic<uint32_t> device_{0};
  std::thread watch_;
  std::mutex watchMutex_;
  std::condition_variable watchWake_;
  bool watching_ = false;
  bool resting_ = false;
  bool wakeRequested_ = false;
  bool mayRest_ = true;
  std::vector<float> silentBuffer_;
  int sampleRate_;
  int periodFrames_ = 0;
  RenderSource* source_ = nullptr;
};

}  // namespace audio
