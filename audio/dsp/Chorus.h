#pragma once

// Chorus: a copy delayed by a slowly swept time of up to 20 ms (up to twice that at full
// depth) mixed back with the original, which thickens it like several voices together.

#include "audio/dsp/ModulatedDelay.h"
#include "audio/dsp/RecordEffect.h"

namespace audio::dsp {

class Chorus final : public RecordEffect<Dx8Chorus, FxType::Chorus> {
 public:
  static constexpr Dx8Chorus kDefaults{50.0f, 10.0f, 25.0f, 1.1f, 1, 16.0f, 3};
  static constexpr double kMaxDelayMs = 20.0;

  Chorus() noexcept : RecordEffect(kDefaults) {}

  void prepare(int sampleRate, int channels, int maxFrames) override;
  void process(float* interleaved, int frames) noexcept override;
  void reset() noexcept override;

 protected:
  bool accepts(const Dx8Chorus& p) const noexcept override;

 private:
  ModulatedDelay core_;
};

}  // namespace audio::dsp
