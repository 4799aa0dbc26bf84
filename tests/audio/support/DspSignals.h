#pragma once

// Signals and measurements for the effect tests: generated tones and impulses, level and
// single-frequency amplitude measurements, and runners that feed an effect in pieces.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "audio/dsp/Effect.h"

namespace dspsignals {

inline constexpr double kPi = 3.14159265358979323846;

using Buffer = std::vector<float>;

// Interleaved sine on every channel.
inline Buffer sine(int frames, int channels, int rate, double frequency, double amplitude) {
  Buffer out(static_cast<size_t>(frames) * channels);
  for (int f = 0; f < frames; ++f) {
    const auto v = static_cast<float>(amplitude * std::sin(2.0 * kPi * frequency * f / rate));
    for (int c = 0; c < channels; ++c) out[static_cast<size_t>(f) * channels + c] = v;
  }
  return out;
}

// Deterministic white noise in -amplitude..amplitude (a fixed linear congruential sequence).
inline Buffer noise(int frames, int channels, double amplitude, uint32_t seed = 12345) {
  Buffer out(static_cast<size_t>(frames) * channels);
  for (auto& v : out) {
    seed = seed * 1664525u + 1013904223u;
    v = static_cast<float>(amplitude * (static_cast<double>(seed >> 8) / (1u << 23) - 1.0));
  }
  return out;
}

// One channel of an interleaved buffer.
inline std::vector<float> channel(const Buffer& b, int channels, int c) {
  std::vector<float> out(b.size() / channels);
  for (size_t f = 0; f < out.size(); ++f) out[f] = b[f * channels + c];
  return out;
}

inline double rms(const std::vector<float>& x, size_t start, size_t count) {
  double sum = 0.0;
  for (size_t i = start; i < start + count; ++i) sum += static_cast<double>(x[i]) * x[i];
  return std::sqrt(sum / static_cast<double>(count));
}

inline double peak(const std::vector<float>& x, size_t start, size_t count) {
  double p = 0.0;
  for (size_t i = start; i < start + count; ++i) p = std::max(p, std::abs(static_cast<double>(x[i])));
  return p;
}

inline double toDb(double ratio) { return 20.0 * std::log10(ratio); }

// Amplitude of the component at `frequency`, measured over `count` samples (choose a whole
// number of periods, or a long window, to keep leakage small).
inline double amplitudeAt(const std::vector<float>& x, size_t start, size_t count, int rate, double frequency) {
  double re = 0.0, im = 0.0;
  for (size_t i = 0; i < count; ++i) {
    const double phase = 2.0 * kPi * frequency * static_cast<double>(i) / rate;
    re += x[start + i] * std::cos(phase);
    im -= x[start + i] * std::sin(phase);
  }
  return 2.0 * std::hypot(re, im) / static_cast<double>(count);
}

// Largest step between neighbouring samples in [start, start + count).
inline double largestStep(const std::vector<float>& x, size_t start, size_t count) {
  double step = 0.0;
  for (size_t i = std::max<size_t>(start, 1); i < start + count; ++i)
    step = std::max(step, std::abs(static_cast<double>(x[i]) - x[i - 1]));
  return step;
}

// A prepared effect of `type` with `record` applied (when given).
inline std::unique_ptr<audio::Effect> prepared(audio::FxType type, const audio::EffectRecord* record, int rate,
                                               int channels, int maxFrames = 4096) {
  auto effect = audio::makeEffect(type);
  if (record) effect->setParameters(*record);
  effect->prepare(rate, channels, maxFrames);
  return effect;
}

// Runs `effect` over `input`, cutting it into blocks by cycling through `pieces` frames.
inline Buffer run(audio::Effect& effect, Buffer input, int channels, const std::vector<int>& pieces = {4096}) {
  const int frames = static_cast<int>(input.size()) / channels;
  size_t next = 0;
  for (int done = 0; done < frames;) {
    const int n = std::min(pieces[next++ % pieces.size()], frames - done);
    effect.process(input.data() + static_cast<size_t>(done) * channels, n);
    done += n;
  }
  return input;
}

template <class Record>
Buffer render(audio::FxType type, const Record& record, int rate, int channels, const Buffer& input,
              const std::vector<int>& pieces = {4096}) {
  const audio::EffectRecord any = record;
  auto effect = prepared(type, &any, rate, channels);
  return run(*effect, input, channels, pieces);
}

}  // namespace dspsignals
