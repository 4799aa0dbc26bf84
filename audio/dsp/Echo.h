#pragma once

// A feedback echo with separate left and right delays. With pan delay on, each repeat is
// fed back through the other side's line, so repeats alternate between the speakers.

#include "audio/dsp/DelayLine.h"
#include "audio/dsp/DspCommon.h"
#include "audio/dsp/RecordEffect.h"

namespace audio::dsp {

class Echo final : public RecordEffect<Dx8Echo, FxType::Echo> {
 public:
  static constexpr Dx8Echo kDefaults{50.0f, 50.0f, 500.0f, 500.0f, 0};

  Echo() noexcept : RecordEffect(kDefaults) {}

  void prepare(int sampleRate, int channels, int maxFrames) override;
  void process(float* interleaved, int frames) noexcept override;
  void reset() noexcept override;

 protected:
  bool accepts(const Dx8Echo& p) const noexcept override;

 private:
  // One side's delay. A new delay time is reached by cross-fading from the old read
  // position to the new one, never by jumping.
  struct Tap {
    int delay = 1;
    int nextDelay = 1;
    int wantedDelay = 1;
    int fadeLeft = 0;
    float read(const DelayLine& line, int fadeLength) noexcept;
  };

  void setTargets(const Dx8Echo& p, bool glide) noexcept;

  int sampleRate_ = 44100;
  int channels_ = 2;
  int fadeLength_ = 1;
  bool panDelay_ = false;
  Ramp wet_, feedback_;
  DelayLine lines_[2];
  Tap taps_[2];
};

}  // namespace audio::dsp
