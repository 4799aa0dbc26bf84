#include "audio/output/SdlOutput.h"

#include <SDL.h>

#include <chrono>
#include <cstring>

namespace audio {

namespace {
// About 46 ms at 44100 Hz: short enough for volume changes and pauses to be heard at once,
// long enough that a busy desktop does not starve the device. The sound server wakes the
// audio thread several times a period; at half this period it woke it nearly two hundred
// times a second, which cost more than mixing.
constexpr int kRequestedPeriodFrames = 2048;
constexpr auto kWatchInterval = std::chrono::milliseconds(100);
constexpr auto kReopenInterval = std::chrono::milliseconds(500);
// Two seconds without anything playing before the device is closed: a pause and a resume in
// quick succession keep it.
constexpr int kIdleRoundsBeforeRest = 20;
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
  // A device reopened after a loss keeps the period the engine was told at first.
  if (periodFrames_ == 0) periodFrames_ = have.samples;
  const char* driver = SDL_GetCurrentAudioDriver();
  mayRest_ = driver == nullptr || std::strcmp(driver, "disk") != 0;
  return device_ != 0;
}

SdlOutput::~SdlOutput() {
  stopWatch();
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
  stopWatch();
  watching_ = true;
  resting_ = false;
  wakeRequested_ = false;
  silentBuffer_.assign(static_cast<size_t>(kRequestedPeriodFrames) * kChannels, 0.0f);
  watch_ = std::thread([this] { watch(); });
}

void SdlOutput::stop() {
  stopWatch();
  if (device_ == 0) {
    source_ = nullptr;
    return;
  }
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

void SdlOutput::stopWatch() {
  {
    std::lock_guard<std::mutex> lock(watchMutex_);
    watching_ = false;
  }
  watchWake_.notify_all();
  if (watch_.joinable()) watch_.join();
}

void SdlOutput::wake() {
  {
    std::lock_guard<std::mutex> lock(watchMutex_);
    wakeRequested_ = true;
  }
  watchWake_.notify_all();
}

void SdlOutput::watch() {
  std::unique_lock<std::mutex> lock(watchMutex_);
  int idleRounds = 0;
  const auto woken = [this] { return !watching_ || wakeRequested_; };
  while (watching_) {
    if (resting_) {
      watchWake_.wait(lock, woken);
    } else {
      watchWake_.wait_for(lock, kWatchInterval, woken);
    }
    if (!watching_) break;
    if (wakeRequested_) {
      wakeRequested_ = false;
      idleRounds = 0;
      if (resting_) resume();
    }
    if (device_ != 0 && SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_STOPPED) {
      restWhileIdle(idleRounds);
      continue;
    }
    // The device is gone: SDL calls no callback of a closed device, so this thread is now
    // the only one rendering.
    RenderSource* source = source_;
    if (device_ != 0) SDL_CloseAudioDevice(device_);
    device_ = 0;
    lock.unlock();
    playSilentlyUntilReopened(source);
    lock.lock();
  }
}

void SdlOutput::restWhileIdle(int& idleRounds) {
  idleRounds = source_ != nullptr && source_->playing() ? 0 : idleRounds + 1;
  if (!mayRest_ || idleRounds < kIdleRoundsBeforeRest) return;
  // Closing waits for a callback that is running right now; none is called afterwards.
  SDL_CloseAudioDevice(device_);
  device_ = 0;
  resting_ = true;
}

void SdlOutput::resume() {
  resting_ = false;
  // A device that does not open counts as lost: the watch renders in silence and retries.
  if (openDevice()) SDL_PauseAudioDevice(device_, 0);
}

void SdlOutput::playSilentlyUntilReopened(RenderSource* source) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  auto nextAttempt = start + kReopenInterval;
  long long periods = 0;
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(watchMutex_);
      if (!watching_) return;
      if (Clock::now() >= nextAttempt) {
        nextAttempt = Clock::now() + kReopenInterval;
        if (openDevice()) {
          SDL_PauseAudioDevice(device_, 0);
          return;
        }
      }
    }
    if (source != nullptr) source->render(silentBuffer_.data(), kRequestedPeriodFrames);
    ++periods;
    std::this_thread::sleep_until(start + std::chrono::nanoseconds(periods * kRequestedPeriodFrames * 1'000'000'000LL /
                                                                   sampleRate_));
  }
}

}  // namespace audio
