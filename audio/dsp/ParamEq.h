#pragma once

// One band of parametric equalisation: a bell filter raising or lowering the band around a
// centre frequency, its width given in semitones and its gain in dB.

#include "audio/dsp/Biquad.h"
#include "audio/dsp/RecordEffect.h"

namespace audio::dsp {

class ParamEq final : public RecordEffect<Dx8ParamEq, FxType::ParamEq> {
 public:
  static constexpr Dx8ParamEq kDefaults{8000.0f, 12.0f, 0.0f};

  ParamEq() noexcept : RecordEffect(kDefaults) {}

  void prepare(int sampleRate, int channels, int maxFrames) override;
  void process(float* interleaved, int frames) noexcept override;
  void reset() noexcept override;

  // Audio thread. Runs `count` bands prepared alike one after another over the block, as
  // process() on each in turn would, but sample by sample through all of them, so that the
  // bands' recursions overlap in the processor instead of each waiting for its own.
  static void processCascade(ParamEq* const* bands, int count, float* interleaved, int frames) noexcept;

 protected:
  bool accepts(const Dx8ParamEq& p) const noexcept override;

 private:
  void setTargets(const Dx8ParamEq& p, bool glide) noexcept;
  void design() noexcept;
  void pollTargets() noexcept;
  bool gliding() const noexcept;
  void run(float* interleaved, int frames) noexcept;

  int sampleRate_ = 44100;
  int channels_ = 2;
  Ramp centre_, bandwidth_, gain_;
  BiquadCoefficients coefficients_;
  BiquadState state_[2];
};

}  // namespace audio::dsp
