#include "audio/dsp/ParamEq.h"

#include <algorithm>

namespace audio::dsp {

bool ParamEq::accepts(const Dx8ParamEq& p) const noexcept {
  return inRange(p.fCenter, 80.0f, 16000.0f) && inRange(p.fBandwidth, 1.0f, 36.0f) &&
         inRange(p.fGain, -15.0f, 15.0f);
}

void ParamEq::prepare(int sampleRate, int channels, int /*maxFrames*/) {
  sampleRate_ = std::max(1, sampleRate);
  channels_ = std::clamp(channels, 1, 2);
  setTargets(currentRecord(), false);
  design();
  reset();
}

void ParamEq::setTargets(const Dx8ParamEq& p, bool glide) noexcept {
  // A centre above a third of the sample rate is pulled down to it rather than refused.
  const double centre = std::min<double>(p.fCenter, sampleRate_ / 3.0);
  const int samples = glide ? rampSamples(sampleRate_) : 0;
  centre_.glideTo(centre, samples);
  bandwidth_.glideTo(p.fBandwidth, samples);
  gain_.glideTo(p.fGain, samples);
}

void ParamEq::design() noexcept {
  coefficients_ = BiquadCoefficients::peaking(sampleRate_, centre_.value(), bandwidth_.value() / 12.0,
                                              gain_.value());
}

void ParamEq::process(float* interleaved, int frames) noexcept {
  DenormalGuard denormals;
  Dx8ParamEq p;
  if (pollParameters(p)) setTargets(p, true);
  int f = 0;
  // While a change glides in, the filter is redesigned every sample.
  for (; f < frames && (centre_.moving() || bandwidth_.moving() || gain_.moving()); ++f) {
    centre_.next();
    bandwidth_.next();
    gain_.next();
    design();
    float* frame = interleaved + static_cast<ptrdiff_t>(f) * channels_;
    for (int c = 0; c < channels_; ++c) frame[c] = state_[c].process(coefficients_, frame[c]);
  }
  float* rest = interleaved + static_cast<ptrdiff_t>(f) * channels_;
  if (channels_ == 2) BiquadState::runStereo(coefficients_, state_[0], state_[1], rest, frames - f);
  else state_[0].run(coefficients_, rest, frames - f, 1);
}

void ParamEq::reset() noexcept {
  for (auto& s : state_) s.reset();
}

}  // namespace audio::dsp
