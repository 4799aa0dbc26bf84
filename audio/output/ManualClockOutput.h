#pragma once

// An output for tests: nothing plays until render(frames) is called, which mixes exactly
// that many frames on the caller's thread and hands them back. Deterministic: before each
// render it waits until the decoding thread has prepared the audio those frames need.

#include <mutex>
#include <vector>

#include "audio/output/Output.h"

namespace audio {

class ManualClockOutput : public Output {
 public:
  explicit ManualClockOutput(int sampleRate);

  void start(RenderSource* source) override;
  void stop() override;
  int sampleRate() const override { return sampleRate_; }
  int periodFrames() const override { return 0; }
  bool clockedByCaller() const override { return true; }

  // Renders `frames` stereo frames and returns them interleaved (left, right, ...). Also
  // appended to recorded(). Renders silence when the output is not started.
  const std::vector<float>& render(int frames);
  // Everything rendered since the last clearRecorded().
  const std::vector<float>& recorded() const { return recorded_; }
  // Whether the source, as of the last render, wants an output running: a real-time output
  // rests while it does not.
  bool sourcePlaying();
  void clearRecorded() { recorded_.clear(); }

 private:
  static constexpr int kPieceFrames = 8192;
  int sampleRate_;
  std::mutex mutex_;
  RenderSource* source_ = nullptr;
  std::vector<float> last_;
  std::vector<float> recorded_;
};

}  // namespace audio
