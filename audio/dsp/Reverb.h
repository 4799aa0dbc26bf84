#pragma once

// A music reverb: input gain, a chain of allpass diffusers, then an eight-line feedback
// delay network whose loop gains set the decay time and whose in-loop low-passes make the
// treble die away sooner, by the high-frequency ratio. The mix is set in dB: 0 dB is all
// reverb, and the direct sound is balanced against it so the overall level stays even.

#include <array>

#include "audio/dsp/DelayLine.h"
#include "audio/dsp/DspCommon.h"
#include "audio/dsp/RecordEffect.h"

namespace audio::dsp {

class Reverb final : public RecordEffect<Dx8Reverb, FxType::Reverb> {
 public:
  static constexpr Dx8Reverb kDefaults{0.0f, 0.0f, 1000.0f, 0.001f};
  static constexpr int kLines = 8;
  static constexpr int kDiffusers = 4;

  Reverb() noexcept : RecordEffect(kDefaults) {}

  void prepare(int sampleRate, int channels, int maxFrames) override;
  void process(float* interleaved, int frames) noexcept override;
  void reset() noexcept override;

 protected:
  bool accepts(const Dx8Reverb& p) const noexcept override;

 private:
  struct LoopFilter {
    float b = 0.0f;  // input weight; DC gain is b / (1 - a)
    float a = 0.0f;  // pole
    float state = 0.0f;
  };

  void setTargets(const Dx8Reverb& p, bool glide) noexcept;
  void design() noexcept;
  float diffuse(float input) noexcept;
  void runNetwork(float input, float& left, float& right) noexcept;

  int sampleRate_ = 44100;
  int channels_ = 2;
  Ramp inGain_, wet_, reverbTimeMs_, hfRatio_;
  float outputScale_ = 1.0f;
  float dry_ = 0.0f;
  std::array<int, kLines> lengths_{};
  std::array<LoopFilter, kLines> filters_{};
  std::array<DelayLine, kLines> lines_;
  std::array<int, kDiffusers> diffuserLengths_{};
  std::array<DelayLine, kDiffusers> diffusers_;
};

}  // namespace audio::dsp
