#include "audio/dsp/Reverb.h"

#include <algorithm>
#include <cmath>

namespace audio::dsp {
namespace {

// Line lengths in ms, spread so their echoes rarely coincide.
constexpr std::array<double, Reverb::kLines> kLineMs{29.71, 33.93, 37.11, 41.67, 45.23, 49.37, 53.89, 58.31};
constexpr std::array<double, Reverb::kDiffusers> kDiffuserMs{4.771, 3.595, 12.73, 9.307};
constexpr float kDiffuserGain = 0.62f;
// The in-loop low-pass never closes below this corner, so even the darkest setting keeps an
// audible tail instead of a bare rumble.
constexpr double kLowestDampingHz = 400.0;

// Gain per pass through a line of `samples` for a 60 dB decay in `ms`.
double loopGain(int samples, int sampleRate, double ms) {
  return std::pow(10.0, -3.0 * samples / (sampleRate * ms / 1000.0));
}

// The direct sound's gain that keeps the overall power constant beside the reverb's.
float dryFor(float wet) { return std::sqrt(std::max(0.0f, 1.0f - wet * wet)); }

int toSamples(double ms, int sampleRate) {
  return std::max(1, static_cast<int>(std::lround(ms / 1000.0 * sampleRate)));
}

}  // namespace

bool Reverb::accepts(const Dx8Reverb& p) const noexcept {
  return inRange(p.fInGain, -96.0f, 0.0f) && inRange(p.fReverbMix, -96.0f, 0.0f) &&
         inRange(p.fReverbTime, 0.001f, 3000.0f) && inRange(p.fHighFreqRTRatio, 0.001f, 0.999f);
}

void Reverb::prepare(int sampleRate, int channels, int /*maxFrames*/) {
  sampleRate_ = std::max(1, sampleRate);
  channels_ = std::clamp(channels, 1, 2);
  for (int i = 0; i < kLines; ++i) {
    lengths_[i] = toSamples(kLineMs[i], sampleRate_);
    lines_[i].allocate(lengths_[i]);
  }
  for (int i = 0; i < kDiffusers; ++i) {
    diffuserLengths_[i] = toSamples(kDiffuserMs[i], sampleRate_);
    diffusers_[i].allocate(diffuserLengths_[i]);
  }
  setTargets(currentRecord(), false);
  design();
  dry_ = dryFor(static_cast<float>(wet_.value()));
  reset();
}

void Reverb::setTargets(const Dx8Reverb& p, bool glide) noexcept {
  const int samples = glide ? rampSamples(sampleRate_) : 0;
  inGain_.glideTo(dbToGain(p.fInGain), samples);
  wet_.glideTo(dbToGain(p.fReverbMix), samples);
  reverbTimeMs_.glideTo(p.fReverbTime, samples);
  hfRatio_.glideTo(p.fHighFreqRTRatio, samples);
}

void Reverb::design() noexcept {
  const double timeMs = reverbTimeMs_.value();
  const double ratio = hfRatio_.value();
  const double lowestPole = std::exp(-kTwoPi * kLowestDampingHz / sampleRate_);
  double gainSum = 0.0;
  for (int i = 0; i < kLines; ++i) {
    // A one-pole low-pass whose gain is g at DC and g_hf at the Nyquist frequency.
    const double g = loopGain(lengths_[i], sampleRate_, timeMs);
    const double gHigh = loopGain(lengths_[i], sampleRate_, timeMs * ratio);
    double pole = g + gHigh > 0.0 ? (g - gHigh) / (g + gHigh) : 0.0;
    pole = std::min(pole, lowestPole);
    filters_[i].a = static_cast<float>(pole);
    filters_[i].b = static_cast<float>(g * (1.0 - pole));
    gainSum += g;
  }
  // Each output sums four lines that each carry an eighth of the input's energy, multiplied
  // by 1 / (1 - g^2) over the recirculations; this scale brings the tail back to the input's level.
  const double g = gainSum / kLines;
  outputScale_ = static_cast<float>(std::sqrt(2.0 * (1.0 - g * g)));
}

float Reverb::diffuse(float input) noexcept {
  for (int i = 0; i < kDiffusers; ++i) {
    const float delayed = diffusers_[i].tap(diffuserLengths_[i]);
    const float w = input + kDiffuserGain * delayed;
    diffusers_[i].push(w);
    input = delayed - kDiffuserGain * w;
  }
  return input;
}

void Reverb::runNetwork(float input, float& left, float& right) noexcept {
  float x[kLines];
  for (int i = 0; i < kLines; ++i) x[i] = lines_[i].tap(lengths_[i]);
  left = (x[0] - x[2] + x[4] - x[6]) * outputScale_;
  right = (x[1] - x[3] + x[5] - x[7]) * outputScale_;
  for (int i = 0; i < kLines; ++i) {
    LoopFilter& filter = filters_[i];
    filter.state = filter.b * x[i] + filter.a * filter.state;
    x[i] = filter.state;
  }
  // An orthonormal Hadamard mix keeps the loop lossless apart from the filters' gains.
  for (int h = 1; h < kLines; h *= 2) {
    for (int i = 0; i < kLines; i += 2 * h) {
      for (int j = i; j < i + h; ++j) {
        const float a = x[j];
        const float b = x[j + h];
        x[j] = a + b;
        x[j + h] = a - b;
      }
    }
  }
  constexpr float kMixScale = 0.35355339059327373f;  // 1 / sqrt(8)
  for (int i = 0; i < kLines; ++i) {
    const float injected = (i & 1) ? -input : input;
    lines_[i].push((x[i] + injected) * kMixScale);
  }
}

void Reverb::process(float* interleaved, int frames) noexcept {
  DenormalGuard denormals;
  Dx8Reverb p;
  if (pollParameters(p)) setTargets(p, true);
  for (int f = 0; f < frames; ++f) {
    if (reverbTimeMs_.moving() || hfRatio_.moving()) {
      reverbTimeMs_.next();
      hfRatio_.next();
      design();
    }
    const auto inGain = static_cast<float>(inGain_.next());
    const bool mixMoving = wet_.moving();
    const auto wet = static_cast<float>(wet_.next());
    if (mixMoving) dry_ = dryFor(wet);
    float* frame = interleaved + static_cast<ptrdiff_t>(f) * channels_;
    const float mono = channels_ == 2 ? 0.5f * (frame[0] + frame[1]) : frame[0];
    float left = 0.0f;
    float right = 0.0f;
    runNetwork(diffuse(mono * inGain), left, right);
    if (channels_ == 2) {
      frame[0] = dry_ * frame[0] + wet * left;
      frame[1] = dry_ * frame[1] + wet * right;
    } else {
      frame[0] = dry_ * frame[0] + wet * 0.5f * (left + right);
    }
  }
}

void Reverb::reset() noexcept {
  for (auto& line : lines_) line.clear();
  for (auto& d : diffusers_) d.clear();
  for (auto& filter : filters_) filter.state = 0.0f;
}

}  // namespace audio::dsp
