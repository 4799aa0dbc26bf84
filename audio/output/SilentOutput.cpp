#include "audio/output/SilentOutput.h"

#include <chrono>

namespace audio {

SilentOutput::SilentOutput(int sampleRate)
    : sampleRate_(sampleRate), buffer_(static_cast<size_t>(kPeriodFrames) * kChannels) {}

SilentOutput::~SilentOutput() { stop(); }

void SilentOutput::start(RenderSource* source) {
  stop();
  running_ = true;
  thread_ = std::thread([this, source] { run(source); });
}

void SilentOutput::stop() {
  running_ = false;
  if (thread_.joinable()) thread_.join();
}

void SilentOutput::run(RenderSource* source) {
  using Clock = std::chrono::steady_clock;
  // The deadline advances by exact periods, so rounding in the sleeps does not drift.
  const auto start = Clock::now();
  long long periods = 0;
  while (running_.load()) {
    source->render(buffer_.data(), kPeriodFrames);
    ++periods;
    const auto due = start + std::chrono::nanoseconds(periods * kPeriodFrames * 1'000'000'000LL /
                                                      sampleRate_);
    std::this_thread::sleep_until(due);
  }
}

}  // namespace audio
