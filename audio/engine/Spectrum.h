#pragma once

// Magnitude spectrum of 1024 mono samples: Hann window, real FFT, |X_k| * 2 / N for the
// first 512 bins, so a full-scale sine centred on a bin reads 0.5. Everything is allocated
// up front; compute() allocates nothing. One thread at a time.

#include <vector>

struct kiss_fftr_state;

namespace audio {

class Spectrum {
 public:
  static constexpr int kSize = 1024;
  static constexpr int kBins = kSize / 2;

  Spectrum();
  ~Spectrum();
  Spectrum(const Spectrum&) = delete;
  Spectrum& operator=(const Spectrum&) = delete;

  // `samples` holds kSize values, oldest first; `magnitudes` receives kBins values.
  void compute(const float* samples, float* magnitudes);

 private:
  kiss_fftr_state* config_ = nullptr;
  std::vector<float> window_;
  std::vector<float> windowed_;
  std::vector<float> bins_;  // kBins + 1 complex values, interleaved re/im.
};

}  // namespace audio
