#pragma once

// A feed-forward compressor with stereo-linked peak detection. Above the threshold the
// output rises by 1/ratio dB per dB of input; the gain reduction comes in over the attack
// time and lets go over the release time. The audio path runs through a short look-ahead
// delay (the predelay), and the make-up gain is applied last.

#include "audio/dsp/DelayLine.h"
#include "audio/dsp/DspCommon.h"
#include "audio/dsp/RecordEffect.h"

namespace audio::dsp {

class Compressor final : public RecordEffect<Dx8Compressor, FxType::Compressor> {
 public:
  static constexpr Dx8Compressor kDefaults{0.0f, 10.0f, 200.0f, -20.0f, 3.0f, 4.0f};

  Compressor() noexcept : RecordEffect(kDefaults) {}

  void prepare(int sampleRate, int channels, int maxFrames) override;
  void process(float* interleaved, int frames) noexcept override;
  void reset() noexcept override;

 protected:
  bool accepts(const Dx8Compressor& p) const noexcept override;

 private:
  void setTargets(const Dx8Compressor& p, bool glide) noexcept;
  float reductionDb(float peak) const noexcept;

  int sampleRate_ = 44100;
  int channels_ = 2;
  double attackCoefficient_ = 0.0;
  double releaseCoefficient_ = 0.0;
  float thresholdDb_ = -20.0f;
  float thresholdGain_ = 0.1f;
  float slope_ = 0.0f;  // 1 - 1/ratio
  float peak_ = 0.0f;
  double reduction_ = 0.0;  // current gain reduction in dB, >= 0
  Ramp makeUpDb_, predelay_;
  DelayLine lines_[2];
};

}  // namespace audio::dsp
