#pragma once

// Amplitude modulation by a unipolar triangle or square wave: a tremolo at low rates, a
// rough, gargling timbre at audio rates.

#include "audio/dsp/DspCommon.h"
#include "audio/dsp/RecordEffect.h"

namespace audio::dsp {

class Gargle final : public RecordEffect<Dx8Gargle, FxType::Gargle> {
 public:
  static constexpr Dx8Gargle kDefaults{20u, 0u};

  Gargle() noexcept : RecordEffect(kDefaults) {}

  void prepare(int sampleRate, int channels, int maxFrames) override;
  void process(float* interleaved, int frames) noexcept override;
  void reset() noexcept override;

 protected:
  bool accepts(const Dx8Gargle& p) const noexcept override;

 private:
  void setTargets(const Dx8Gargle& p, bool glide) noexcept;
  double modulator() const noexcept;

  int sampleRate_ = 44100;
  int channels_ = 2;
  double phase_ = 0.0;  // 0..1 through one modulator period
  double increment_ = 0.0;
  Ramp squareness_;  // 0 = triangle, 1 = square; glides so a shape change does not click
};

}  // namespace audio::dsp
