#include "audio/output/SdlOutput.h"

#include <SDL.h>
#include <pthread.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

namespace audio {

namespace {
using Clock = std::chrono::steady_clock;
// About 46 ms at 44100 Hz: short enough for volume changes and pauses to be heard at once,
// long enough that a busy desktop does not starve the device. The sound server wakes the
// audio thread several times a period; at half this period it woke it nearly two hundred
// times a second, which cost more than mixing.
constexpr int kRequestedPeriodFrames = 2048;
constexpr auto kWatchInterval = std::chrono::milliseconds(100);
constexpr auto kReopenInterval = std::chrono::milliseconds(500);
// Two seconds without anything playing before the device is closed: a pause and a resume in
// quick succession keep it.
constexpr auto kIdleBeforeRest = std::chrono::seconds(2);
// As long as the engine's own fades.
constexpr double kFadeInSeconds = 0.005;
constexpr int kIdleRoundsBeforeRest = static_cast<int>(kIdleBeforeRest / kWatchInterval);
}  // namespace

std::unique_ptr<SdlOutput> SdlOutput::open(int sampleRate, FileDevice fileDevice) {
  std::unique_ptr<SdlOutput> output(new SdlOutput(sampleRate, fileDevice));
  output->openDevice(false);
  // The engine is told one period for good, device or not.
  if (output->periodFrames_ == 0) output->periodFrames_ = kRequestedPeriodFrames;
  return output;
}

SdlOutput::SdlOutput(int sampleRate, FileDevice fileDevice) : sampleRate_(sampleRate), fileDevice_(fileDevice) {}

bool SdlOutput::openDevice(bool afresh) {
  if (afresh && sdlStarted_) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    sdlStarted_ = false;
  }
  if (!sdlStarted_) sdlStarted_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
  if (!sdlStarted_) return false;
  SDL_AudioSpec want{};
  want.freq = sampleRate_;
  want.format = AUDIO_F32SYS;
  want.channels = kChannels;
  want.samples = kRequestedPeriodFrames;
  want.callback = &SdlOutput::callback;
  want.userdata = this;
  SDL_AudioSpec have{};
  // No changes allowed: SDL converts to whatever the device really takes.
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (device == 0) return false;
  if (periodFrames_ == 0) periodFrames_ = have.samples;
  const char* driver = SDL_GetCurrentAudioDriver();
  mayRest_ = fileDevice_ == FileDevice::RestsToo || driver == nullptr || std::strcmp(driver, "disk") != 0;
  device_ = device;
  SDL_PauseAudioDevice(device, 0);
  return true;
}

void SdlOutput::closeDevice() {
  // Closing waits for a callback that is running right now; none is called afterwards.
  SDL_CloseAudioDevice(device_);
  device_ = 0;
}

SdlOutput::~SdlOutput() {
  stop();
  if (device_ != 0) closeDevice();
  if (sdlStarted_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlOutput::start(RenderSource* source) {
  stopWatch();
  const uint32_t device = device_;
  if (device != 0) SDL_LockAudioDevice(device);
  source_ = source;
  if (device != 0) {
    SDL_UnlockAudioDevice(device);
    SDL_PauseAudioDevice(device, 0);
  }
  silentBuffer_.assign(static_cast<size_t>(kRequestedPeriodFrames) * kChannels, 0.0f);
  mode_ = device != 0 ? Mode::Device : Mode::Silent;
  if (mode_ == Mode::Silent) beginSilence();
  {
    std::lock_guard<std::mutex> lock(watchMutex_);
    watching_ = true;
    wakeRequested_ = false;
  }
  watch_ = std::thread([this] { watch(); });
}

void SdlOutput::stop() {
  stopWatch();
  const uint32_t device = device_;
  if (device == 0) {
    source_ = nullptr;
    return;
  }
  SDL_PauseAudioDevice(device, 1);
  // Taking the device lock waits for a callback that is running right now.
  SDL_LockAudioDevice(device);
  source_ = nullptr;
  SDL_UnlockAudioDevice(device);
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
  if (self->fadeIn_.exchange(false)) self->fadeIn(out, frames);
}

void SdlOutput::fadeIn(float* interleaved, int frames) const {
  const int length = std::max(1, static_cast<int>(kFadeInSeconds * sampleRate_));
  for (int i = 0; i < std::min(frames, length); ++i) {
    const float gain = static_cast<float>(i + 1) / static_cast<float>(length);
    interleaved[kChannels * i] *= gain;
    interleaved[kChannels * i + 1] *= gain;
  }
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

bool SdlOutput::waitUntil(std::optional<Clock::time_point> deadline, bool& woken) {
  std::unique_lock<std::mutex> lock(watchMutex_);
  const auto stopsWaiting = [this] { return !watching_ || wakeRequested_; };
  if (deadline) {
    watchWake_.wait_until(lock, *deadline, stopsWaiting);
  } else {
    watchWake_.wait(lock, stopsWaiting);
  }
  woken = std::exchange(wakeRequested_, false);
  return watching_;
}

Clock::time_point SdlOutput::silentPeriodDue() const {
  return silenceStart_ +
         std::chrono::nanoseconds(silentPeriods_ * kRequestedPeriodFrames * 1'000'000'000LL / sampleRate_);
}

void SdlOutput::watch() {
  pthread_setname_np(pthread_self(), "tembr output");
  int idleRounds = 0;
  int idlePeriods = 0;
  for (;;) {
    std::optional<Clock::time_point> deadline;
    if (mode_ == Mode::Device) deadline = Clock::now() + kWatchInterval;
    if (mode_ == Mode::Silent) deadline = std::min(silentPeriodDue(), nextAttempt_);
    bool woken = false;
    if (!waitUntil(deadline, woken)) return;
    if (woken) {
      idleRounds = 0;
      idlePeriods = 0;
      if (mode_ == Mode::Resting) resume();
    }
    if (mode_ == Mode::Device) watchDevice(idleRounds);
    if (mode_ == Mode::Silent) renderSilently(idlePeriods);
  }
}

void SdlOutput::watchDevice(int& idleRounds) {
  if (SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED) {
    // The device is gone: SDL calls no callback of a closed device, so this thread is now
    // the only one rendering.
    closeDevice();
    beginSilence();
    return;
  }
  idleRounds = source_ != nullptr && source_->playing() ? 0 : idleRounds + 1;
  if (!mayRest_ || idleRounds < kIdleRoundsBeforeRest) return;
  closeDevice();
  mode_ = Mode::Resting;
}

void SdlOutput::renderSilently(int& idlePeriods) {
  const auto now = Clock::now();
  if (now >= nextAttempt_) {
    nextAttempt_ = now + kReopenInterval;
    fadeIn_ = source_ != nullptr && source_->playing();
    if (openDevice(true)) {
      mode_ = Mode::Device;
      return;
    }
  }
  if (now < silentPeriodDue()) return;
  // The deadline advances by exact periods, so rounding in the waits does not drift.
  if (source_ != nullptr) source_->render(silentBuffer_.data(), kRequestedPeriodFrames);
  ++silentPeriods_;
  idlePeriods = source_ != nullptr && source_->playing() ? 0 : idlePeriods + 1;
  if (idlePeriods * kRequestedPeriodFrames >= sampleRate_ * kIdleBeforeRest.count()) {
    mode_ = Mode::Resting;
    fadeIn_ = false;
  }
}

void SdlOutput::resume() {
  // The device SDL had may have gone while resting: then SDL chooses its driver afresh.
  if (openDevice(false) || openDevice(true)) {
    mode_ = Mode::Device;
    return;
  }
  beginSilence();
}

void SdlOutput::beginSilence() {
  mode_ = Mode::Silent;
  silenceStart_ = Clock::now();
  silentPeriods_ = 0;
  nextAttempt_ = silenceStart_ + kReopenInterval;
}

}  // namespace audio
