#pragma once

// Small building blocks shared by the effect processors: denormal flushing, decibel
// conversion and linear parameter ramps.

#include <cmath>
#include <cstdint>

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#define TEMBR_HAS_MXCSR 1
#endif

namespace audio::dsp {

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kTwoPi = 2.0 * kPi;

// How long a parameter change takes to reach its new value; short enough to feel immediate,
// long enough that gains and delays never step audibly.
inline constexpr double kRampSeconds = 0.010;

// sin(2 pi cycles) by a ninth-order odd polynomial on a quarter period, within 4e-6: plenty
// for a low-frequency oscillator, and several times cheaper than std::sin.
inline double sineOfCycles(double cycles) noexcept {
  double y = cycles - std::floor(cycles) - 0.5;  // -0.5..0.5; sin(2 pi (y + 0.5)) = -sin(2 pi y)
  if (y > 0.25) y = 0.5 - y;
  else if (y < -0.25) y = -0.5 - y;
  const double z = kTwoPi * y;
  const double z2 = z * z;
  return -z * (1.0 + z2 * (-1.0 / 6 + z2 * (1.0 / 120 + z2 * (-1.0 / 5040 + z2 * (1.0 / 362880)))));
}

inline float dbToGain(double db) noexcept {
  constexpr double kNepersPerDb = 0.11512925464970229;  // ln(10) / 20
  return static_cast<float>(std::exp(db * kNepersPerDb));
}

// Sets flush-to-zero and denormals-are-zero for the scope of one process() call and restores
// the caller's mode afterwards. Feedback loops that decay towards silence would otherwise
// crawl through denormal numbers at a hundred times the normal cost.
class DenormalGuard {
 public:
  DenormalGuard() noexcept {
#ifdef TEMBR_HAS_MXCSR
    saved_ = _mm_getcsr();
    _mm_setcsr(saved_ | kFlushToZero | kDenormalsAreZero);
#endif
  }
  ~DenormalGuard() {
#ifdef TEMBR_HAS_MXCSR
    _mm_setcsr(saved_);
#endif
  }
  DenormalGuard(const DenormalGuard&) = delete;
  DenormalGuard& operator=(const DenormalGuard&) = delete;

 private:
#ifdef TEMBR_HAS_MXCSR
  static constexpr unsigned kFlushToZero = 0x8000;
  static constexpr unsigned kDenormalsAreZero = 0x0040;
  unsigned saved_ = 0;
#endif
};

// A value that glides linearly to a new target over a fixed number of samples. Stepping it
// once per sample keeps the result independent of how the audio is cut into blocks.
class Ramp {
 public:
  void jumpTo(double value) noexcept {
    value_ = target_ = value;
    remaining_ = 0;
  }
  void glideTo(double target, int samples) noexcept {
    if (target == target_) return;
    target_ = target;
    if (samples <= 0) {
      jumpTo(target);
      return;
    }
    remaining_ = samples;
    step_ = (target_ - value_) / samples;
  }
  double next() noexcept {
    if (remaining_ > 0) {
      value_ = --remaining_ == 0 ? target_ : value_ + step_;
    }
    return value_;
  }
  double value() const noexcept { return value_; }
  double target() const noexcept { return target_; }
  bool moving() const noexcept { return remaining_ > 0; }

 private:
  double value_ = 0.0;
  double target_ = 0.0;
  double step_ = 0.0;
  int remaining_ = 0;
};

inline int rampSamples(int sampleRate) noexcept {
  return static_cast<int>(std::lround(kRampSeconds * sampleRate));
}

// True when lo <= v <= hi, compared as the record's 32-bit floats are, so that a bound such
// as 0.999 taken as a float is itself in range. NaN is never in range.
inline bool inRange(float v, float lo, float hi) noexcept { return v >= lo && v <= hi; }

}  // namespace audio::dsp
