#pragma once

// Plays through SDL2's audio device. The driver is whatever SDL chooses from its own
// environment (SDL_AUDIODRIVER, SDL_AUDIO_DEVICE_NAME...); with SDL_AUDIODRIVER=disk the
// played samples land in SDL_DISKAUDIOFILE.

#include <cstdint>
#include <memory>

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

 private:
  explicit SdlOutput(int sampleRate);
  bool openDevice();
  static void callback(void* user, uint8_t* stream, int bytes);

  uint32_t device_ = 0;
  int sampleRate_;
  int periodFrames_ = 0;
  RenderSource* source_ = nullptr;
};

}  // namespace audio
