#pragma once

// Converts interleaved stereo float frames from one rate to another, keeping its filter
// state between calls: FFmpeg's windowed-sinc resampler, centred on each output frame, so
// the output is in time with the input from its first frame to its last. Used by the
// decoding thread only.

#include <memory>

namespace audio {

class Resampler {
 public:
  // nullptr when the conversion cannot be set up.
  static std::unique_ptr<Resampler> create(int inputRate, int outputRate);
  virtual ~Resampler() = default;

  // Upper bound of the frames that process() or flush() may write for `inputFrames`.
  virtual int maxOutput(int inputFrames) const = 0;
  // Converts `frames` input frames; returns the frames written to `out`.
  virtual int process(const float* in, int frames, float* out, int outCapacity) = 0;
  // Drains what the filter still holds at the end of the stream.
  virtual int flush(float* out, int outCapacity) = 0;
  // Forgets all state (after a seek).
  virtual void reset() = 0;
};

}  // namespace audio
