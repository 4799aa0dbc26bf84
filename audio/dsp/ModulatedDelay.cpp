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
  cycles -= std::floor(cycles);
  const double sine = std::sin(kTwoPi * cycles);
  // A triangle in step with the sine: 0 at the start, +1 at a quarter, -1 at three quarters.
  double shifted = cycles + 0.25;
  if (shifted >= 1.0) shifted -= 1.0;
  const double triangle = 1.0 - 4.0 * std::abs(shifted - 0.5);
  return triangle + sineness_.value() * (sine - triangle);
}

void ModulatedDelay::process(float* interleaved, int frames) noexcept {
  for (int f = 0; f < frames; ++f) {
    const auto wet = static_cast<float>(wet_.next());
    const auto feedback = static_cast<float>(feedback_.next());
    const double depth = depth_.next();
    const double base = baseDelay_.next();
    sineness_.next();
    const double offsets[2] = {0.0, phaseOffset_.next()};
    float* frame = interleaved + static_cast<ptrdiff_t>(f) * channels_;
    for (int c = 0; c < channels_; ++c) {
      const double delay = std::clamp(base * (1.0 + depth * lfo(phase_ + offsets[c])), kMinDelaySamples,
                                      maxDelaySamples_);
      const float delayed = lines_[c].tapFractional(delay);
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
}

}  // namespace audio::dsp
