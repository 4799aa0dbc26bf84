#pragma once

// An output that hears nothing but keeps real time: a thread renders one period every
// period's worth of wall-clock time, so playback, positions and stream ends advance as if
// the audio were heard. Like a sound device, it rests while nothing has played for two
// seconds, and wake() sets it going again.

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/output/Output.h"

namespace audio {

class SilentOutput : public Output {
 public:
  explicit SilentOutput(int sampleRate);
  ~SilentOutput() override;

  void start(RenderSource* source) override;
  void stop() override;
  int sampleRate() const override { return sampleRate_; }
  int periodFrames() const override { return kPeriodFrames; }
  void wake() override;

 private:
  static constexpr int kPeriodFrames = 512;
  void run(RenderSource* source);

  int sampleRate_;
  std::vector<float> buffer_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool running_ = false;
  bool woken_ = false;
  std::thread thread_;
};

}  // namespace audio
