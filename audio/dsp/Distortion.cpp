#include "audio/dsp/Distortion.h"

#include <algorithm>
#include <cmath>

namespace audio::dsp {
namespace {

constexpr double kLowPassQ = 0.7071067811865476;
// The drive at full edge; at edge 0 the clipper is driven at unity and barely bends a
// signal of normal level.
constexpr double kMaxDrive = 100.0;

// A rational approximation of tanh, within 0.1 % and exactly bounded by +-1 once clamped.
inline float softClip(float x) noexcept {
  x = std::clamp(x, -3.0f, 3.0f);
  const float x2 = x * x;
  return x * (27.0f + x2) / (27.0f + 9.0f * x2);
}

}  // namespace

bool Distortion::accepts(const Dx8Distortion& p) const noexcept {
  return inRange(p.fGain, -60.0f, 0.0f) && inRange(p.fEdge, 0.0f, 100.0f) &&
         inRange(p.fPostEQCenterFrequency, 100.0f, 8000.0f) &&
         inRange(p.fPostEQBandwidth, 100.0f, 8000.0f) && inRange(p.fPreLowpassCutoff, 100.0f, 8000.0f);
}

void Distortion::prepare(int sampleRate, int channels, int /*maxFrames*/) {
  sampleRate_ = std::max(1, sampleRate);
  channels_ = std::clamp(channels, 1, 2);
  setTargets(currentRecord(), false);
  reset();
}

void Distortion::setTargets(const Dx8Distortion& p, bool glide) noexcept {
  const int samples = glide ? rampSamples(sampleRate_) : 0;
  // Frequencies above a third of the sample rate are pulled down to it rather than refused.
  const double limit = sampleRate_ / 3.0;
  gainDb_.glideTo(p.fGain, samples);
  edge_.glideTo(p.fEdge / 100.0, samples);
  centre_.glideTo(std::min<double>(p.fPostEQCenterFrequency, limit), samples);
  bandwidth_.glideTo(std::min<double>(p.fPostEQBandwidth, limit), samples);
  cutoff_.glideTo(std::min<double>(p.fPreLowpassCutoff, limit), samples);
  if (!glide) {
    design();
    updateLevels();
  }
}

void Distortion::design() noexcept {
  lowPass_ = BiquadCoefficients::lowPass(sampleRate_, cutoff_.value(), kLowPassQ);
  bandPass_ = BiquadCoefficients::bandPass(sampleRate_, centre_.value(), centre_.value() / bandwidth_.value());
}

void Distortion::updateLevels() noexcept {
  // Drive rises exponentially with the edge so equal steps of edge sound like equal steps.
  drive_ = static_cast<float>(std::pow(kMaxDrive, edge_.value()));
  gain_ = dbToGain(gainDb_.value());
}

bool Distortion::filtersMoving() const noexcept {
  return centre_.moving() || bandwidth_.moving() || cutoff_.moving();
}

void Distortion::process(float* interleaved, int frames) noexcept {
  DenormalGuard denormals;
  Dx8Distortion p;
  if (const Change change = pollParameters(p); change != Change::None) setTargets(p, change == Change::Glide);
  int f = 0;
  for (; f < frames && (filtersMoving() || edge_.moving() || gainDb_.moving()); ++f) {
    if (filtersMoving()) {
      centre_.next();
      bandwidth_.next();
      cutoff_.next();
      design();
    }
    if (edge_.moving() || gainDb_.moving()) {
      edge_.next();
      gainDb_.next();
      updateLevels();
    }
    float* frame = interleaved + static_cast<ptrdiff_t>(f) * channels_;
    for (int c = 0; c < channels_; ++c) {
      const float shaped = softClip(drive_ * lowPassState_[c].process(lowPass_, frame[c]));
      frame[c] = gain_ * bandPassState_[c].process(bandPass_, shaped);
    }
  }
  // Once nothing moves, each stage runs over the rest of the block in turn: the same sums,
  // without the filters' recursions waiting on the clipper.
  float* rest = interleaved + static_cast<ptrdiff_t>(f) * channels_;
  const int count = (frames - f) * channels_;
  if (channels_ == 2) BiquadState::runStereo(lowPass_, lowPassState_[0], lowPassState_[1], rest, frames - f);
  else lowPassState_[0].run(lowPass_, rest, frames - f, 1);
  for (int i = 0; i < count; ++i) rest[i] = softClip(drive_ * rest[i]);
  if (channels_ == 2) BiquadState::runStereo(bandPass_, bandPassState_[0], bandPassState_[1], rest, frames - f);
  else bandPassState_[0].run(bandPass_, rest, frames - f, 1);
  for (int i = 0; i < count; ++i) rest[i] *= gain_;
}

void Distortion::reset() noexcept {
  for (auto& s : lowPassState_) s.reset();
  for (auto& s : bandPassState_) s.reset();
}

}  // namespace audio::dsp
