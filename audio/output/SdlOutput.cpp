#include "audio/output/SdlOutput.h"

#include <SDL.h>

#include <cstring>

namespace audio {

namespace {
// About 23 ms at 44100 Hz: short enough for volume changes to be heard at once, long
// enough that a busy desktop does not starve the device.
constexpr int kRequestedPeriodFrames = 1024;
}  // namespace

std::unique_ptr<SdlOutput> SdlOutput::open(int sampleRate) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return nullptr;
  std::unique_ptr<SdlOutput> output(new SdlOutput(sampleRate));
  if (!output->openDevice()) return nullptr;
  return output;
}

SdlOutput::SdlOutput(int sampleRate) : sampleRate_(sampleRate) {}

bool SdlOutput::openDevice() {
  SDL_AudioSpec want{};
  want.freq = sampleRate_;
  want.format = AUDIO_F32SYS;
  want.channels = kChannels;
  want.samples = kRequestedPeriodFrames;
  want.callback = &SdlOutput::callback;
  want.userdata = this;
  SDL_AudioSpec have{};
  // No changes allowed: SDL converts to whatever the device really takes.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  periodFrames_ = have.samples;
  return device_ != 0;
}

SdlOutput::~SdlOutput() {
  if (device_ != 0) {
    stop();
    SDL_CloseAudioDevice(device_);
  }
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlOutput::start(RenderSource* source) {
  SDL_LockAudioDevice(device_);
  source_ = source;
  SDL_UnlockAudioDevice(device_);
  SDL_PauseAudioDevice(device_, 0);
}

void SdlOutput::stop() {
  SDL_PauseAudioDevice(device_, 1);
  // Taking the device lock waits for a callback that is running right now.
  SDL_LockAudioDevice(device_);
  source_ = nullptr;
  SDL_UnlockAudioDevice(device_);
}

void SdlOutput::callback(void* user, uint8_t* stream, int bytes) {
  auto* self = static_cast<SdlOutput*>(user);
  auto* out = reinterpret_cast<float*>(stream);
  const int frames = bytes / static_cast<int>(sizeof(float) * kChannels);
  if (self->source_ == nullptr) {
    std::memset(stream, 0, static_cast<size_t>(bytes));
    return;
  }
  self->source_->render(out, frames);
}

}  // namespace audio
