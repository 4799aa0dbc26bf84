#include "audio/decode/Resampler.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace audio {

namespace {

constexpr int kChannels = 2;
// Taps of the filter at the input rate when the rate goes up; going down it widens by the
// ratio, so that the cut-off keeps its steepness at the output rate.
constexpr double kTaps = 32.0;
// The pass band ends this share of the way to the lower of the two Nyquist frequencies.
constexpr double kCutoff = 0.97;
constexpr double kKaiserBeta = 9.0;
// Rates whose ratio needs more phases than this take the nearest of this many.
constexpr int kMostPhases = 1024;
// The taps of a phase are a multiple of this many, so that its sums run in whole vectors.
constexpr int kTapGroup = 4;
static_assert(kTapGroup * kChannels % 8 == 0, "a phase's sums run in whole eight-float vectors");

double besselI0(double x) {
  double sum = 1.0, term = 1.0;
  for (int k = 1; k < 50 && term > 1e-12 * sum; ++k) {
    term *= (x / (2.0 * k)) * (x / (2.0 * k));
    sum += term;
  }
  return sum;
}

// Sums one phase over its taps for both channels: `coefficients` holds each tap's value
// twice, beside the left and the right sample it weighs; `out` gets left and right.
using SumPhase = void (*)(const float* coefficients, const float* frames, int floats, float* out);

void sumPhasePortable(const float* coefficients, const float* frames, int floats, float* out) {
  float sums[8] = {};
  for (int i = 0; i < floats; i += 8) {
    for (int j = 0; j < 8; ++j) sums[j] += coefficients[i + j] * frames[i + j];
  }
  out[0] = (sums[0] + sums[2]) + (sums[4] + sums[6]);
  out[1] = (sums[1] + sums[3]) + (sums[5] + sums[7]);
}

#if defined(__x86_64__)
__attribute__((target("avx2,fma"))) void sumPhaseAvx2(const float* coefficients, const float* frames, int floats,
                                                       float* out) {
  // Three sums side by side, so that each addition need not wait for the one before.
  __m256 a = _mm256_setzero_ps(), b = _mm256_setzero_ps(), c = _mm256_setzero_ps();
  int i = 0;
  for (; i + 24 <= floats; i += 24) {
    a = _mm256_fmadd_ps(_mm256_loadu_ps(coefficients + i), _mm256_loadu_ps(frames + i), a);
    b = _mm256_fmadd_ps(_mm256_loadu_ps(coefficients + i + 8), _mm256_loadu_ps(frames + i + 8), b);
    c = _mm256_fmadd_ps(_mm256_loadu_ps(coefficients + i + 16), _mm256_loadu_ps(frames + i + 16), c);
  }
  for (; i < floats; i += 8) a = _mm256_fmadd_ps(_mm256_loadu_ps(coefficients + i), _mm256_loadu_ps(frames + i), a);
  const __m256 sum = _mm256_add_ps(_mm256_add_ps(a, b), c);
  __m128 half = _mm_add_ps(_mm256_castps256_ps128(sum), _mm256_extractf128_ps(sum, 1));
  // Lanes hold left, right, left, right: add the two pairs.
  half = _mm_add_ps(half, _mm_movehl_ps(half, half));
  _mm_storel_pi(reinterpret_cast<__m64*>(out), half);
}
#endif

SumPhase pickSumPhase() {
#if defined(__x86_64__)
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) return &sumPhaseAvx2;
#endif
  return &sumPhasePortable;
}

// A polyphase windowed-sinc resampler working on interleaved stereo frames. The output
// frame n lies at input position n * M / L; the filter is centred on it, so the output is
// in time with the input from its first frame, and flush() gives the output up to the last
// input frame.
class PolyphaseResampler : public Resampler {
 public:
  PolyphaseResampler(int inputRate, int outputRate) : sumPhase_(pickSumPhase()) {
    const int common = std::gcd(inputRate, outputRate);
    up_ = outputRate / common;
    down_ = inputRate / common;
    wholeStep_ = down_ / up_;
    phaseStep_ = down_ % up_;
    phases_ = static_cast<int>(std::min<int64_t>(up_, kMostPhases));
    const double factor = std::min(1.0, static_cast<double>(outputRate) / inputRate);
    taps_ = static_cast<int>(std::ceil(kTaps / factor / kTapGroup)) * kTapGroup;
    lead_ = taps_ / 2 - 1;
    designBank(kCutoff * factor);
    reset();
  }

  int maxOutput(int inputFrames) const override {
    return static_cast<int>((static_cast<int64_t>(inputFrames) + taps_) * up_ / down_) + 2;
  }

  int process(const float* in, int frames, float* out, int outCapacity) override {
    append(in, frames);
    inputFrames_ += frames;
    return produce(out, outCapacity);
  }

  int flush(float* out, int outCapacity) override {
    // Silence after the last frame lets the filter reach it.
    const std::vector<float> silence(static_cast<size_t>(taps_) * kChannels, 0.0f);
    append(silence.data(), taps_);
    return produce(out, outCapacity);
  }

  void reset() override {
    // Silence before the first frame, where the filter reaches back from the first outputs.
    frames_.assign(static_cast<size_t>(lead_) * kChannels, 0.0f);
    whole_ = 0;
    phase_ = 0;
    inputFrames_ = 0;
    produced_ = 0;
  }

 private:
  void designBank(double cutoff) {
    bank_.assign(static_cast<size_t>(phases_) * taps_ * kChannels, 0.0f);
    const double half = taps_ / 2.0;
    for (int p = 0; p < phases_; ++p) {
      const double fraction = static_cast<double>(p) / phases_;
      std::vector<double> h(static_cast<size_t>(taps_));
      double sum = 0.0;
      for (int k = 0; k < taps_; ++k) {
        const double t = k - lead_ - fraction;
        const double x = cutoff * t;
        const double sinc = x == 0.0 ? 1.0 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
        const double r = t / half;
        const double window = r * r < 1.0 ? besselI0(kKaiserBeta * std::sqrt(1.0 - r * r)) / besselI0(kKaiserBeta) : 0.0;
        h[static_cast<size_t>(k)] = sinc * window;
        sum += h[static_cast<size_t>(k)];
      }
      float* row = &bank_[static_cast<size_t>(p) * taps_ * kChannels];
      for (int k = 0; k < taps_; ++k) {
        row[2 * k] = row[2 * k + 1] = static_cast<float>(h[static_cast<size_t>(k)] / sum);
      }
    }
  }

  void append(const float* in, int frames) {
    frames_.insert(frames_.end(), in, in + static_cast<size_t>(frames) * kChannels);
  }

  // Computes outputs while there are taps enough in the input held, room in `out`, and input
  // before the end for them to lie on; then lets go of what no output reaches any more.
  int produce(float* out, int outCapacity) {
    const auto held = static_cast<int64_t>(frames_.size() / kChannels);
    const int floats = taps_ * kChannels;
    int written = 0;
    while (written < outCapacity && whole_ + taps_ <= held && produced_ * down_ < inputFrames_ * up_) {
      const int64_t row = up_ == phases_ ? phase_ : phase_ * phases_ / up_;
      sumPhase_(&bank_[static_cast<size_t>(row * floats)], &frames_[static_cast<size_t>(whole_ * kChannels)], floats,
                out + static_cast<ptrdiff_t>(written) * kChannels);
      ++written;
      ++produced_;
      whole_ += wholeStep_;
      phase_ += phaseStep_;
      if (phase_ >= up_) {
        phase_ -= up_;
        ++whole_;
      }
    }
    const auto drop = static_cast<size_t>(std::min(whole_, held));
    frames_.erase(frames_.begin(), frames_.begin() + static_cast<ptrdiff_t>(drop * kChannels));
    whole_ -= static_cast<int64_t>(drop);
    return written;
  }

  const SumPhase sumPhase_;
  int64_t up_ = 1;    // L: the output rate over the common divisor of the two
  int64_t down_ = 1;  // M: the input rate over it
  // From one output to the next the position moves by M / L: whole frames and a fraction.
  int64_t wholeStep_ = 0;
  int64_t phaseStep_ = 0;
  int phases_ = 1;
  int taps_ = 0;
  int lead_ = 0;  // input frames the filter reaches ahead of an output
  std::vector<float> bank_;
  std::vector<float> frames_;  // input frames not yet passed, from `lead_` before the next output's
  int64_t whole_ = 0;          // the next output's position: whole frames into frames_,
  int64_t phase_ = 0;          // and the fraction, in 1/L
  int64_t inputFrames_ = 0;
  int64_t produced_ = 0;
};

}  // namespace

std::unique_ptr<Resampler> Resampler::create(int inputRate, int outputRate) {
  if (inputRate <= 0 || outputRate <= 0) return nullptr;
  return std::make_unique<PolyphaseResampler>(inputRate, outputRate);
}

}  // namespace audio
