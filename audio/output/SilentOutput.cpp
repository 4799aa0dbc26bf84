#include "audio/output/SilentOutput.h"

#include <pthread.h>

#include <chrono>
#include <utility>

namespace audio {

namespace {
// As long as a sound device stays open with nothing playing.
constexpr auto kIdleBeforeRest = std::chrono::seconds(2);
}  // namespace

SilentOutput::SilentOutput(int sampleRate)
    : sampleRate_(sampleRate), buffer_(static_cast<size_t>(kPeriodFrames) * kChannels) {}

SilentOutput::~SilentOutput() { stop(); }

void SilentOutput::start(RenderSource* source) {
  stop();
  {
    std::lock_guard lock(mutex_);
    running_ = true;
    woken_ = false;
  }
  thread_ = std::thread([this, source] { run(source); });
}

void SilentOutput::stop() {
  {
    std::lock_guard lock(mutex_);
    running_ = false;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void SilentOutput::wake() {
  {
    std::lock_guard lock(mutex_);
    woken_ = true;
  }
  wake_.notify_all();
}

void SilentOutput::run(RenderSource* source) {
  pthread_setname_np(pthread_self(), "tembr output");
  using Clock = std::chrono::steady_clock;
  const long long restAfterPeriods = sampleRate_ * kIdleBeforeRest.count() / kPeriodFrames;
  std::unique_lock lock(mutex_);
  while (running_) {
    // The deadline advances by exact periods from the start of a run, so rounding in the
    // waits does not drift.
    const auto start = Clock::now();
    long long periods = 0;
    long long idlePeriods = 0;
    while (running_ && idlePeriods < restAfterPeriods) {
      const bool woken = std::exchange(woken_, false);
      lock.unlock();
      source->render(buffer_.data(), kPeriodFrames);
      lock.lock();
      ++periods;
      idlePeriods = source->playing() || woken ? 0 : idlePeriods + 1;
      const auto due = start + std::chrono::nanoseconds(periods * kPeriodFrames * 1'000'000'000LL / sampleRate_);
      wake_.wait_until(lock, due, [this] { return !running_; });
    }
    wake_.wait(lock, [this] { return !running_ || woken_; });
  }
}

}  // namespace audio
