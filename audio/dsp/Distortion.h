#pragma once

// Distortion: a low-pass ahead of a soft clipper whose hardness follows the edge, then a
// band-pass keeping the band of added harmonics, then a gain of 0 dB or less.

#include "audio/dsp/Biquad.h"
#include "audio/dsp/DspCommon.h"
#include "audio/dsp/RecordEffect.h"

namespace audio::dsp {

class Distortion final : public RecordEffect<Dx8Distortion, FxType::Distortion> {
 public:
  static constexpr Dx8Distortion kDefaults{-18.0f, 15.0f, 2400.0f, 2400.0f, 8000.0f};

  Distortion() noexcept : RecordEffect(kDefaults) {}

  void prepare(int sampleRate, int channels, int maxFrames) override;
  void process(float* interleaved, int frames) noexcept override;
  void reset() noexcept override;

 protected:
  bool accepts(const Dx8Distortion& p) const noexcept override;

 private:
  void setTargets(const Dx8Distortion& p, bool glide) noexcept;
  void design() noexcept;
  void updateLevels() noexcept;
  bool filtersMoving() const noexcept;

  int sampleRate_ = 44100;
  int channels_ = 2;
  Ramp gainDb_, edge_, centre_, bandwidth_, cutoff_;
  float drive_ = 1.0f;
  float gain_ = 1.0f;
  BiquadCoefficients lowPass_, bandPass_;
  BiquadState lowPassState_[2], bandPassState_[2];
};

}  // namespace audio::dsp
