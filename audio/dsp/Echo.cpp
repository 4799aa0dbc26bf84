#include "audio/dsp/Echo.h"

#include <algorithm>
#include <cmath>

namespace audio::dsp {
namespace {

constexpr double kMaxDelayMs = 2000.0;
constexpr double kDelayFadeSeconds = 0.020;

}  // namespace

bool Echo::accepts(const Dx8Echo& p) const noexcept {
  return inRange(p.fWetDryMix, 0.0f, 100.0f) && inRange(p.fFeedback, 0.0f, 100.0f) &&
         inRange(p.fLeftDelay, 1.0f, static_cast<float>(kMaxDelayMs)) &&
         inRange(p.fRightDelay, 1.0f, static_cast<float>(kMaxDelayMs)) &&
         (p.lPanDelay == 0 || p.lPanDelay == 1);
}

void Echo::prepare(int sampleRate, int channels, int /*maxFrames*/) {
  sampleRate_ = std::max(1, sampleRate);
  channels_ = std::clamp(channels, 1, 2);
  fadeLength_ = std::max(1, static_cast<int>(std::lround(kDelayFadeSeconds * sampleRate_)));
  const int maxDelay = static_cast<int>(std::ceil(kMaxDelayMs / 1000.0 * sampleRate_)) + 1;
  for (auto& line : lines_) line.allocate(maxDelay);
  setTargets(currentRecord(), false);
  reset();
}

void Echo::setTargets(const Dx8Echo& p, bool glide) noexcept {
  const int samples = glide ? rampSamples(sampleRate_) : 0;
  wet_.glideTo(p.fWetDryMix / 100.0, samples);
  feedback_.glideTo(p.fFeedback / 100.0, samples);
  // Pan delay needs two lines to cross between; a mono stream echoes on its one line.
  panDelay_ = p.lPanDelay == 1 && channels_ == 2;
  const float delaysMs[2] = {p.fLeftDelay, p.fRightDelay};
  for (int c = 0; c < 2; ++c) {
    const int delay = std::max(1, static_cast<int>(std::lround(delaysMs[c] / 1000.0 * sampleRate_)));
    taps_[c].wantedDelay = delay;
    if (!glide) {
      taps_[c].delay = taps_[c].nextDelay = delay;
      taps_[c].fadeLeft = 0;
    }
  }
}

float Echo::Tap::read(const DelayLine& line, int fadeLength) noexcept {
  if (fadeLeft == 0 && wantedDelay != delay) {
    nextDelay = wantedDelay;
    fadeLeft = fadeLength;
  }
  if (fadeLeft == 0) return line.tap(delay);
  const float toNew = 1.0f - static_cast<float>(fadeLeft) / static_cast<float>(fadeLength);
  const float value = line.tap(delay) + toNew * (line.tap(nextDelay) - line.tap(delay));
  if (--fadeLeft == 0) delay = nextDelay;
  return value;
}

void Echo::process(float* interleaved, int frames) noexcept {
  DenormalGuard denormals;
  Dx8Echo p;
  if (const Change change = pollParameters(p); change != Change::None) setTargets(p, change == Change::Glide);
  for (int f = 0; f < frames; ++f) {
    const auto wet = static_cast<float>(wet_.next());
    const auto feedback = static_cast<float>(feedback_.next());
    float* frame = interleaved + static_cast<ptrdiff_t>(f) * channels_;
    float delayed[2] = {0.0f, 0.0f};
    for (int c = 0; c < channels_; ++c) delayed[c] = taps_[c].read(lines_[c], fadeLength_);
    for (int c = 0; c < channels_; ++c) {
      const float returned = panDelay_ ? delayed[1 - c] : delayed[c];
      lines_[c].push(frame[c] + feedback * returned);
      frame[c] += wet * (delayed[c] - frame[c]);
    }
  }
}

void Echo::reset() noexcept {
  for (auto& line : lines_) line.clear();
}

}  // namespace audio::dsp
