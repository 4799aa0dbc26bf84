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
  reset();
}

void ParamEq::setTargets(const Dx8ParamEq& p, bool glide) noexcept {
  // A centre above a third of the sample rate is pulled down to it rather than refused.
  const double centre = std::min<double>(p.fCenter, sampleRate_ / 3.0);
  const int samples = glide ? rampSamples(sampleRate_) : 0;
  centre_.glideTo(centre, samples);
  bandwidth_.glideTo(p.fBandwidth, samples);
  gain_.glideTo(p.fGain, samples);
  if (!glide) design();
}

void ParamEq::design() noexcept {
  coefficients_ = BiquadCoefficients::peaking(sampleRate_, centre_.value(), bandwidth_.value() / 12.0,
                                              gain_.value());
}

void ParamEq::pollTargets() noexcept {
  Dx8ParamEq p;
  if (const Change change = pollParameters(p); change != Change::None) setTargets(p, change == Change::Glide);
}

bool ParamEq::gliding() const noexcept { return centre_.moving() || bandwidth_.moving() || gain_.moving(); }

void ParamEq::process(float* interleaved, int frames) noexcept {
  DenormalGuard denormals;
  pollTargets();
  run(interleaved, frames);
}

void ParamEq::run(float* interleaved, int frames) noexcept {
  int f = 0;
  // While a change glides in, the filter is redesigned every sample.
  for (; f < frames && gliding(); ++f) {
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

void ParamEq::processCascade(ParamEq* const* bands, int count, float* interleaved, int frames) noexcept {
  DenormalGuard denormals;
  bool anyGliding = false;
  for (int k = 0; k < count; ++k) {
    bands[k]->pollTargets();
    anyGliding = anyGliding || bands[k]->gliding();
  }
  if (anyGliding || count == 1) {
    for (int k = 0; k < count; ++k) bands[k]->run(interleaved, frames);
    return;
  }
  for (int first = 0; first < count; first += BiquadCascade::kMaxSections) {
    const int n = std::min(BiquadCascade::kMaxSections, count - first);
    BiquadCascade cascade;
    for (int k = 0; k < n; ++k) {
      ParamEq& band = *bands[first + k];
      cascade.add(band.coefficients_, band.state_[0], band.state_[1]);
    }
    if (bands[first]->channels_ == 2) cascade.runStereo(interleaved, frames);
    else cascade.runMono(interleaved, frames);
    for (int k = 0; k < n; ++k) {
      ParamEq& band = *bands[first + k];
      cascade.store(k, band.state_[0], band.state_[1]);
    }
  }
}

void ParamEq::reset() noexcept {
  for (auto& s : state_) s.reset();
}

}  // namespace audio::dsp
