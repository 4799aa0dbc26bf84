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
  size_t rows = 8;
  for (int i = 0; i < kLines; ++i) {
    lengths_[i] = toSamples(kLineMs[i], sampleRate_);
    while (rows < static_cast<size_t>(lengths_[i]) + 1) rows <<= 1;
  }
  network_.assign(rows, Lines{});
  networkMask_ = rows - 1;
  for (int i = 0; i < kDiffusers; ++i) {
    diffuserLengths_[i] = toSamples(kDiffuserMs[i], sampleRate_);
    diffusers_[i].allocate(diffuserLengths_[i]);
  }
  diffuserBlock_ = *std::min_element(diffuserLengths_.begin(), diffuserLengths_.end());
  diffused_.assign(static_cast<size_t>(diffuserBlock_), 0.0f);
  setTargets(currentRecord(), false);
  reset();
}

void Reverb::setTargets(const Dx8Reverb& p, bool glide) noexcept {
  const int samples = glide ? rampSamples(sampleRate_) : 0;
  inGain_.glideTo(dbToGain(p.fInGain), samples);
  wet_.glideTo(dbToGain(p.fReverbMix), samples);
  reverbTimeMs_.glideTo(p.fReverbTime, samples);
  hfRatio_.glideTo(p.fHighFreqRTRatio, samples);
  if (!glide) {
    design();
    dry_ = dryFor(static_cast<float>(wet_.value()));
  }
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
    filterPole_[i] = static_cast<float>(pole);
    filterIn_[i] = static_cast<float>(g * (1.0 - pole));
    gainSum += g;
  }
  // Each output sums four lines that each carry an eighth of the input's energy, multiplied
  // by 1 / (1 - g^2) over the recirculations; this scale brings the tail back to the input's level.
  const double g = gainSum / kLines;
  outputScale_ = static_cast<float>(std::sqrt(2.0 * (1.0 - g * g)));
}

bool Reverb::gliding() const noexcept {
  return inGain_.moving() || wet_.moving() || reverbTimeMs_.moving() || hfRatio_.moving();
}

// Each diffuser is an allpass over its own delay. A block no longer than the shortest delay
// reads only what earlier blocks wrote, so each diffuser runs over the whole block at once.
void Reverb::diffuse(const float* interleaved, int frames) noexcept {
  float* x = diffused_.data();
  const auto inGain = static_cast<float>(inGain_.value());
  for (int f = 0; f < frames; ++f) {
    const float* frame = interleaved + static_cast<ptrdiff_t>(f) * channels_;
    x[f] = (channels_ == 2 ? 0.5f * (frame[0] + frame[1]) : frame[0]) * inGain;
  }
  for (int i = 0; i < kDiffusers; ++i) {
    DelayLine& line = diffusers_[i];
    const int length = diffuserLengths_[i];
    for (int f = 0; f < frames; ++f) {
      const float delayed = line.tap(length);
      const float w = x[f] + kDiffuserGain * delayed;
      line.push(w);
      x[f] = delayed - kDiffuserGain * w;
    }
  }
}

void Reverb::runNetwork(float input, float& left, float& right) noexcept {
  Lines x;
  for (int i = 0; i < kLines; ++i) x[i] = network_[(networkWrite_ - static_cast<size_t>(lengths_[i])) & networkMask_][i];
  left = (x[0] - x[2] + x[4] - x[6]) * outputScale_;
  right = (x[1] - x[3] + x[5] - x[7]) * outputScale_;
  filterState_ = filterIn_ * x + filterPole_ * filterState_;
  x = filterState_;
  // An orthonormal Hadamard mix keeps the loop lossless apart from the filters' gains:
  // three butterfly stages, each adding every value to its partner or taking it away.
  constexpr Lines kFirstSign{1, -1, 1, -1, 1, -1, 1, -1};
  constexpr Lines kSecondSign{1, 1, -1, -1, 1, 1, -1, -1};
  constexpr Lines kThirdSign{1, 1, 1, 1, -1, -1, -1, -1};
  x = Lines{x[1], x[0], x[3], x[2], x[5], x[4], x[7], x[6]} + kFirstSign * x;
  x = Lines{x[2], x[3], x[0], x[1], x[6], x[7], x[4], x[5]} + kSecondSign * x;
  x = Lines{x[4], x[5], x[6], x[7], x[0], x[1], x[2], x[3]} + kThirdSign * x;
  constexpr float kMixScale = 0.35355339059327373f;  // 1 / sqrt(8)
  network_[networkWrite_] = (x + input * kFirstSign) * kMixScale;
  networkWrite_ = (networkWrite_ + 1) & networkMask_;
}

void Reverb::process(float* interleaved, int frames) noexcept {
  DenormalGuard denormals;
  Dx8Reverb p;
  if (const Change change = pollParameters(p); change != Change::None) setTargets(p, change == Change::Glide);
  for (int done = 0; done < frames;) {
    float* block = interleaved + static_cast<ptrdiff_t>(done) * channels_;
    if (gliding()) {
      processGliding(block);
      ++done;
      continue;
    }
    const int count = std::min(diffuserBlock_, frames - done);
    diffuse(block, count);
    const auto wet = static_cast<float>(wet_.value());
    for (int f = 0; f < count; ++f) {
      float* frame = block + static_cast<ptrdiff_t>(f) * channels_;
      float left = 0.0f;
      float right = 0.0f;
      runNetwork(diffused_[static_cast<size_t>(f)], left, right);
      mixFrame(frame, wet, left, right);
    }
    done += count;
  }
}

// One frame while a change glides in: the network is redesigned and the gains move every
// sample.
void Reverb::processGliding(float* frame) noexcept {
  if (reverbTimeMs_.moving() || hfRatio_.moving()) {
    reverbTimeMs_.next();
    hfRatio_.next();
    design();
  }
  inGain_.next();
  const bool mixMoving = wet_.moving();
  const auto wet = static_cast<float>(wet_.next());
  if (mixMoving) dry_ = dryFor(wet);
  diffuse(frame, 1);
  float left = 0.0f;
  float right = 0.0f;
  runNetwork(diffused_[0], left, right);
  mixFrame(frame, wet, left, right);
}

void Reverb::mixFrame(float* frame, float wet, float left, float right) const noexcept {
  if (channels_ == 2) {
    frame[0] = dry_ * frame[0] + wet * left;
    frame[1] = dry_ * frame[1] + wet * right;
  } else {
    frame[0] = dry_ * frame[0] + wet * 0.5f * (left + right);
  }
}

void Reverb::reset() noexcept {
  std::fill(network_.begin(), network_.end(), Lines{});
  networkWrite_ = 0;
  for (auto& d : diffusers_) d.clear();
  filterState_ = Lines{};
}

}  // namespace audio::dsp
