#pragma once

// A music reverb: input gain, a chain of allpass diffusers, then an eight-line feedback
// delay network whose loop gains set the decay time and whose in-loop low-passes make the
// treble die away sooner, by the high-frequency ratio. The mix is set in dB: 0 dB is all
// reverb, and the direct sound is balanced against it so the overall level stays even.

#include <array>
#include <vector>

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
  // One value per delay line of the network, worked on side by side.
  using Lines = float __attribute__((vector_size(4 * kLines)));

  void setTargets(const Dx8Reverb& p, bool glide) noexcept;
  void design() noexcept;
  bool gliding() const noexcept;
  // The input of the network for `frames` frames (at most the shortest diffuser), into
  // diffused_.
  void diffuse(const float* interleaved, int frames) noexcept;
  void runNetwork(float input, float& left, float& right) noexcept;
  void processGliding(float* frame) noexcept;
  void mixFrame(float* frame, float wet, float left, float right) const noexcept;

  int sampleRate_ = 44100;
  int channels_ = 2;
  Ramp inGain_, wet_, reverbTimeMs_, hfRatio_;
  float outputScale_ = 1.0f;
  float dry_ = 0.0f;
  // The network's lines share one write position: row r of network_ holds the value each
  // line took at that step.
  std::array<int, kLines> lengths_{};
  Lines filterIn_{};    // the loop low-passes' input weights; DC gain is b / (1 - a)
  Lines filterPole_{};  // and poles
  Lines filterState_{};
  std::vector<Lines> network_;
  size_t networkMask_ = 0;
  size_t networkWrite_ = 0;
  std::array<int, kDiffusers> diffuserLengths_{};
  std::array<DelayLine, kDiffusers> diffusers_;
  int diffuserBlock_ = 1;
  std::vector<float> diffused_;
};

}  // namespace audio::dsp
