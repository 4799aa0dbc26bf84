#include "audio/dsp/Gargle.h"

#include <algorithm>
#include <cmath>

namespace audio::dsp {
namespace {

// Each edge of the square wave rises or falls over this share of a period, at most, so
// the square does not click; at high rates the edges take at most a few samples.
constexpr double kSquareEdgeSeconds = 0.0005;
constexpr double kMaxSquareEdgeShare = 0.05;

}  // namespace

bool Gargle::accepts(const Dx8Gargle& p) const noexcept {
  return p.dwRateHz >= 1 && p.dwRateHz <= 1000 && p.dwWaveShape <= 1;
}

void Gargle::prepare(int sampleRate, int channels, int /*maxFrames*/) {
  sampleRate_ = std::max(1, sampleRate);
  channels_ = std::clamp(channels, 1, 2);
  setTargets(currentRecord(), false);
  reset();
}

void Gargle::setTargets(const Dx8Gargle& p, bool glide) noexcept {
  // The phase runs on untouched, so a new rate continues the wave where it was.
  increment_ = static_cast<double>(p.dwRateHz) / sampleRate_;
  squareness_.glideTo(p.dwWaveShape == 1 ? 1.0 : 0.0, glide ? rampSamples(sampleRate_) : 0);
}

double Gargle::modulator() const noexcept {
  // Triangle 0 -> 1 -> 0 over one period.
  const double triangle = 1.0 - std::abs(2.0 * phase_ - 1.0);
  // Square: 1 for the first half period, 0 for the second, with short linear edges.
  const double edge = std::clamp(kSquareEdgeSeconds * increment_ * sampleRate_, 1e-9, kMaxSquareEdgeShare);
  const double rise = std::clamp(phase_ / edge, 0.0, 1.0) * std::clamp((1.0 - phase_) / edge, 0.0, 1.0);
  const double fall = std::clamp((phase_ - 0.5) / edge, 0.0, 1.0);
  const double square = rise * (1.0 - fall);
  const double s = squareness_.value();
  return triangle + s * (square - triangle);
}

void Gargle::process(float* interleaved, int frames) noexcept {
  Dx8Gargle p;
  if (const Change change = pollParameters(p); change != Change::None) setTargets(p, change == Change::Glide);
  for (int f = 0; f < frames; ++f) {
    squareness_.next();
    const auto gain = static_cast<float>(modulator());
    float* frame = interleaved + static_cast<ptrdiff_t>(f) * channels_;
    for (int c = 0; c < channels_; ++c) frame[c] *= gain;
    phase_ += increment_;
    if (phase_ >= 1.0) phase_ -= 1.0;
  }
}

void Gargle::reset() noexcept { phase_ = 0.0; }

}  // namespace audio::dsp
