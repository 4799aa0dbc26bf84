#include "audio/dsp/ModulatedDelay.h"

#include <algorithm>
#include <cmath>

namespace audio::dsp {
namespace {

// The shortest delay the cubic reader can take while the line is fed back.
constexpr double kMinDelaySamples = 2.0;

}  // namespace

void ModulatedDelay::prepare(int sampleRate, int channels, double maxDelayMs, const Settings& settings) {
  sampleRate_ = std::max(1, sampleRate);
  channels_ = std::clamp(channels, 1, 2);
  // At full depth the delay swings up to twice the base delay.
  maxDelaySamples_ = std::max(kMinDelaySamples, 2.0 * maxDelayMs / 1000.0 * sampleRate_);
  for (auto& line : lines_) line.allocate(static_cast<int>(std::ceil(maxDelaySamples_)) + 4);
  set(settings, false);
  reset();
}

void ModulatedDelay::set(const Settings& s, bool glide) noexcept {
  const int samples = glide ? rampSamples(sampleRate_) : 0;
  wet_.glideTo(s.wet, samples);
  feedback_.glideTo(s.feedback, samples);
  depth_.glideTo(s.depth, samples);
  baseDelay_.glideTo(s.delayMs / 1000.0 * sampleRate_, samples);
  // The waveform and the phase offset glide too, so switching them bends the sweep smoothly.
  sineness_.glideTo(s.waveform == Waveform::Sine ? 1.0 : 0.0, samples);
  phaseOffset_.glideTo(s.phaseOffset, samples);
  // The LFO's phase runs on untouched: a new rate continues the sweep where it was.
  increment_ = s.frequency / sampleRate_;
}

double ModulatedDelay::lfo(double cycles) const noexcept {
  const double sineness = sineness_.value();
  const double sine = sineness > 0.0 ? sineOfCycles(cycles) : 0.0;
  if (sineness == 1.0) return sine;
  // A triangle in step with the sine: 0 at the start, +1 at a quarter, -1 at three quarters.
  double shifted = cycles + 0.25;
  shifted -= std::floor(shifted);
  const double triangle = 1.0 - 4.0 * std::abs(shifted - 0.5);
  return triangle + sineness * (sine - triangle);
}

double ModulatedDelay::delayAt(double cycles) const noexcept {
  return std::clamp(baseDelay_.value() * (1.0 + depth_.value() * lfo(cycles)), kMinDelaySamples, maxDelaySamples_);
}

void ModulatedDelay::aimDelays() noexcept {
  const double ahead = phase_ + increment_ * kControlInterval;
  const double offsets[2] = {0.0, phaseOffset_.value()};
  for (int c = 0; c < channels_; ++c) delayStep_[c] = (delayAt(ahead + offsets[c]) - delay_[c]) / kControlInterval;
  untilControl_ = kControlInterval;
}

void ModulatedDelay::process(float* interleaved, int frames) noexcept {
  for (int f = 0; f < frames; ++f) {
    if (untilControl_ == 0) aimDelays();
    --untilControl_;
    const auto wet = static_cast<float>(wet_.next());
    const auto feedback = static_cast<float>(feedback_.next());
    depth_.next();
    baseDelay_.next();
    sineness_.next();
    phaseOffset_.next();
    float* frame = interleaved + static_cast<ptrdiff_t>(f) * channels_;
    for (int c = 0; c < channels_; ++c) {
      delay_[c] += delayStep_[c];
      const float delayed = lines_[c].tapFractional(std::clamp(delay_[c], kMinDelaySamples, maxDelaySamples_));
      lines_[c].push(frame[c] + feedback * delayed);
      frame[c] += wet * (delayed - frame[c]);
    }
    phase_ += increment_;
    if (phase_ >= 1.0) phase_ -= 1.0;
  }
}

void ModulatedDelay::reset() noexcept {
  for (auto& line : lines_) line.clear();
  phase_ = 0.0;
  const double offsets[2] = {0.0, phaseOffset_.value()};
  for (int c = 0; c < 2; ++c) {
    delay_[c] = delayAt(offsets[c]);
    delayStep_[c] = 0.0;
  }
  untilControl_ = 0;
}

}  // namespace audio::dsp
