#pragma once

// Flanger: a copy delayed by a very short, swept time mixed back with the original; the
// moving comb of notches gives the familiar jet sweep.

#include "audio/dsp/ModulatedDelay.h"
#include "audio/dsp/RecordEffect.h"

namespace audio::dsp {

class Flanger final : public RecordEffect<Dx8Flanger, FxType::Flanger> {
 public:
  static constexpr Dx8Flanger kDefaults{50.0f, 100.0f, -50.0f, 0.25f, 1, 2.0f, 2};
  static constexpr double kMaxDelayMs = 4.0;

  Flanger() noexcept : RecordEffect(kDefaults) {}

  void prepare(int sampleRate, int channels, int maxFrames) override;
  void process(float* interleaved, int frames) noexcept override;
  void reset() noexcept override;

 protected:
  bool accepts(const Dx8Flanger& p) const noexcept override;

 private:
  ModulatedDelay core_;
};

}  // namespace audio::dsp
