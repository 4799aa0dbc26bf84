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
  if (!glide) placeDelays();
}

void ModulatedDelay::placeDelays() noexcept {
  const double offsets[2] = {0.0, phaseOffset_.value()};
  for (int c = 0; c < 2; ++c) {
    delay_[c] = delayAt(phase_ + offsets[c]);
    delayStep_[c] = 0.0;
  }
  untilControl_ = 0;
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
  phase_ += increment_ * kControlInterval;
  phase_ -= std::floor(phase_);
  const double offsets[2] = {0.0, phaseOffset_.value()};
  for (int c = 0; c < channels_; ++c) delayStep_[c] = (delayAt(phase_ + offsets[c]) - delay_[c]) / kControlInterval;
  untilControl_ = kControlInterval;
}

bool ModulatedDelay::gliding() const noexcept {
  return wet_.moving() || feedback_.moving() || depth_.moving() || baseDelay_.moving() || sineness_.moving() ||
         phaseOffset_.moving();
}

void ModulatedDelay::process(float* interleaved, int frames) noexcept {
  for (int f = 0; f < frames;) {
    if (untilControl_ == 0) aimDelays();
    const int count = std::min(untilControl_, frames - f);
    float* piece = interleaved + static_cast<ptrdiff_t>(f) * channels_;
    if (gliding()) processGliding(piece, count);
    else processSteady(piece, count);
    untilControl_ -= count;
    f += count;
  }
}

void ModulatedDelay::processGliding(float* interleaved, int frames) noexcept {
  for (int f = 0; f < frames; ++f) {
    const auto wet = static_cast<float>(wet_.next());
    const auto feedback = static_cast<float>(feedback_.next());
    depth_.next();
    baseDelay_.next();
    sineness_.next();
    phaseOffset_.next();
    float* frame = interleaved + static_cast<ptrdiff_t>(f) * channels_;
    for (int c = 0; c < channels_; ++c) {
      delay_[c] += delayStep_[c];
      const float delayed = lines_[c].tapFractional(delay_[c]);
      lines_[c].push(frame[c] + feedback * delayed);
      frame[c] += wet * (delayed - frame[c]);
    }
  }
}

// The delays lie between two clamped points, so they need no clamping of their own.
void ModulatedDelay::processSteady(float* interleaved, int frames) noexcept {
  const auto wet = static_cast<float>(wet_.value());
  const auto feedback = static_cast<float>(feedback_.value());
  for (int c = 0; c < channels_; ++c) {
    DelayLine& line = lines_[c];
    double delay = delay_[c];
    const double step = delayStep_[c];
    float* sample = interleaved + c;
    for (int f = 0; f < frames; ++f, sample += channels_) {
      delay += step;
      const auto whole = static_cast<int>(delay);
      const float delayed = line.tapCubic(whole, static_cast<float>(delay - whole));
      line.push(*sample + feedback * delayed);
      *sample += wet * (delayed - *sample);
    }
    delay_[c] = delay;
  }
}

void ModulatedDelay::reset() noexcept {
  for (auto& line : lines_) line.clear();
  phase_ = 0.0;
  placeDelays();
}

}  // namespace audio::dsp
