#include "audio/dsp/Compressor.h"

#include <algorithm>
#include <cmath>

namespace audio::dsp {
namespace {

constexpr double kMaxPredelayMs = 4.0;
// Below this the detector treats the input as silence rather than taking log of zero.
constexpr float kSilence = 1e-9f;
constexpr float kLog2TenOver20 = 0.16609640474436813f;

double smoothingCoefficient(double milliseconds, int sampleRate) {
  return std::exp(-1.0 / (milliseconds / 1000.0 * sampleRate));
}

}  // namespace

bool Compressor::accepts(const Dx8Compressor& p) const noexcept {
  return inRange(p.fGain, -60.0f, 60.0f) && inRange(p.fAttack, 0.01f, 500.0f) &&
         inRange(p.fRelease, 50.0f, 3000.0f) && inRange(p.fThreshold, -60.0f, 0.0f) &&
         inRange(p.fRatio, 1.0f, 100.0f) && inRange(p.fPredelay, 0.0f, static_cast<float>(kMaxPredelayMs));
}

void Compressor::prepare(int sampleRate, int channels, int /*maxFrames*/) {
  sampleRate_ = std::max(1, sampleRate);
  channels_ = std::clamp(channels, 1, 2);
  const int maxDelay = static_cast<int>(std::ceil(kMaxPredelayMs / 1000.0 * sampleRate_)) + 2;
  for (auto& line : lines_) line.allocate(maxDelay);
  setTargets(currentRecord(), false);
  reset();
}

void Compressor::setTargets(const Dx8Compressor& p, bool glide) noexcept {
  const int samples = glide ? rampSamples(sampleRate_) : 0;
  makeUpDb_.glideTo(p.fGain, samples);
  // The look-ahead delay is read between samples, so a change glides without a step.
  // It rests on whole samples, where it needs no interpolation.
  predelay_.glideTo(std::round(p.fPredelay / 1000.0 * sampleRate_), samples);
  // Threshold, ratio and times act on the gain reduction, which is itself smoothed.
  attackCoefficient_ = smoothingCoefficient(p.fAttack, sampleRate_);
  releaseCoefficient_ = smoothingCoefficient(p.fRelease, sampleRate_);
  thresholdDb_ = p.fThreshold;
  thresholdGain_ = dbToGain(p.fThreshold);
  slope_ = 1.0f - 1.0f / p.fRatio;
}

float Compressor::reductionDb(float peak) const noexcept {
  if (peak <= thresholdGain_) return 0.0f;
  const float levelDb = 20.0f * std::log10(std::max(peak, kSilence));
  return std::max(0.0f, levelDb - thresholdDb_) * slope_;
}

void Compressor::process(float* interleaved, int frames) noexcept {
  DenormalGuard denormals;
  Dx8Compressor p;
  if (const Change change = pollParameters(p); change != Change::None) setTargets(p, change == Change::Glide);
  const auto peakRelease = static_cast<float>(releaseCoefficient_);
  for (int f = 0; f < frames; ++f) {
    float* frame = interleaved + static_cast<ptrdiff_t>(f) * channels_;
    // The detector follows peaks at once and falls back with the release time; the gain
    // reduction derived from it then moves with the attack or the release time.
    float loudest = 0.0f;
    for (int c = 0; c < channels_; ++c) loudest = std::max(loudest, std::abs(frame[c]));
    peak_ = std::max(loudest, peak_ * peakRelease);
    const double wanted = reductionDb(peak_);
    const double coefficient = wanted > reduction_ ? attackCoefficient_ : releaseCoefficient_;
    reduction_ = wanted + coefficient * (reduction_ - wanted);
    // Single precision is ample here and costs a fraction of the double functions.
    const float gain = std::exp2(static_cast<float>(makeUpDb_.next() - reduction_) * kLog2TenOver20);
    const bool gliding = predelay_.moving();
    const double delay = predelay_.next();
    for (int c = 0; c < channels_; ++c) {
      lines_[c].push(frame[c]);
      if (!gliding) {
        frame[c] = lines_[c].tap(static_cast<int>(delay) + 1) * gain;
        continue;
      }
      // Tap 1 is the sample just pushed. Under one sample of delay the cubic reader would
      // need a sample from the future, so the two newest samples are blended instead.
      const double tap = delay + 1.0;
      const float delayed = tap >= 2.0 ? lines_[c].tapFractional(tap)
                                       : frame[c] + static_cast<float>(delay) * (lines_[c].tap(2) - frame[c]);
      frame[c] = delayed * gain;
    }
  }
}

void Compressor::reset() noexcept {
  for (auto& line : lines_) line.clear();
  peak_ = 0.0f;
  reduction_ = 0.0;
}

}  // namespace audio::dsp
