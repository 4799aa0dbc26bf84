#include "audio/engine/Spectrum.h"

#include <kiss_fftr.h>

#include <cmath>
#include <numbers>

static_assert(sizeof(kiss_fft_scalar) == sizeof(float), "kissfft must be built for float");

namespace audio {

Spectrum::Spectrum()
    : config_(kiss_fftr_alloc(kSize, 0, nullptr, nullptr)),
      window_(kSize),
      windowed_(kSize),
      bins_(2 * (kBins + 1)) {
  // The periodic Hann window, whose coherent gain of exactly one half the scaling relies on.
  for (int n = 0; n < kSize; ++n) {
    window_[n] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * n / kSize));
  }
}

Spectrum::~Spectrum() { kiss_fftr_free(config_); }

void Spectrum::compute(const float* samples, float* magnitudes) {
  for (int n = 0; n < kSize; ++n) windowed_[n] = samples[n] * window_[n];
  auto* out = reinterpret_cast<kiss_fft_cpx*>(bins_.data());
  kiss_fftr(config_, windowed_.data(), out);
  constexpr float kScale = 2.0f / kSize;
  for (int k = 0; k < kBins; ++k) {
    magnitudes[k] = std::sqrt(out[k].r * out[k].r + out[k].i * out[k].i) * kScale;
  }
}

}  // namespace audio
