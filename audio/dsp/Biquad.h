#pragma once

// Second-order filter sections designed after the well-known audio EQ cookbook formulas,
// run in transposed direct form II with double-precision state so low, narrow bands stay
// quiet and stable.

#include <algorithm>
#include <cmath>

#include "audio/dsp/DspCommon.h"

namespace audio::dsp {

struct BiquadCoefficients {
  double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;

  // Bell filter: `gainDb` at `centreHz`, `octaves` wide between the half-gain points.
  static BiquadCoefficients peaking(double sampleRate, double centreHz, double octaves,
                                    double gainDb) noexcept {
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w0 = kTwoPi * centreHz / sampleRate;
    const double sinW0 = std::sin(w0);
    const double alpha = sinW0 * std::sinh(std::log(2.0) / 2.0 * octaves * w0 / sinW0);
    return normalised(1.0 + alpha * a, -2.0 * std::cos(w0), 1.0 - alpha * a, 1.0 + alpha / a,
                      -2.0 * std::cos(w0), 1.0 - alpha / a);
  }

  static BiquadCoefficients lowPass(double sampleRate, double cutoffHz, double q) noexcept {
    const double w0 = kTwoPi * cutoffHz / sampleRate;
    const double alpha = std::sin(w0) / (2.0 * q);
    const double c = std::cos(w0);
    return normalised((1.0 - c) / 2.0, 1.0 - c, (1.0 - c) / 2.0, 1.0 + alpha, -2.0 * c,
                      1.0 - alpha);
  }

  // Band-pass with 0 dB at the centre.
  static BiquadCoefficients bandPass(double sampleRate, double centreHz, double q) noexcept {
    const double w0 = kTwoPi * centreHz / sampleRate;
    const double alpha = std::sin(w0) / (2.0 * q);
    const double c = std::cos(w0);
    return normalised(alpha, 0.0, -alpha, 1.0 + alpha, -2.0 * c, 1.0 - alpha);
  }

 private:
  static BiquadCoefficients normalised(double b0, double b1, double b2, double a0, double a1,
                                       double a2) noexcept {
    return {b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
  }
};

class BiquadState {
 public:
  float process(const BiquadCoefficients& c, float input) noexcept {
    const double x = input;
    const double y = c.b0 * x + z1_;
    z1_ = c.b1 * x - c.a1 * y + z2_;
    z2_ = c.b2 * x - c.a2 * y;
    return static_cast<float>(y);
  }
  // The same as process() on `frames` samples `stride` apart, with the state held in registers.
  void run(const BiquadCoefficients& c, float* data, int frames, int stride) noexcept {
    double z1 = z1_, z2 = z2_;
    for (int i = 0; i < frames; ++i, data += stride) {
      const double x = *data;
      const double y = c.b0 * x + z1;
      z1 = c.b1 * x - c.a1 * y + z2;
      z2 = c.b2 * x - c.a2 * y;
      *data = static_cast<float>(y);
    }
    z1_ = z1;
    z2_ = z2;
  }
  void reset() noexcept { z1_ = z2_ = 0.0; }

  // Runs a left and a right filter with the same coefficients over interleaved stereo
  // frames; the two independent recursions overlap in the processor.
  static void runStereo(const BiquadCoefficients& c, BiquadState& left, BiquadState& right, float* data,
                        int frames) noexcept {
    double l1 = left.z1_, l2 = left.z2_, r1 = right.z1_, r2 = right.z2_;
    for (int i = 0; i < frames; ++i, data += 2) {
      const double xl = data[0];
      const double xr = data[1];
      const double yl = c.b0 * xl + l1;
      const double yr = c.b0 * xr + r1;
      l1 = c.b1 * xl - c.a1 * yl + l2;
      r1 = c.b1 * xr - c.a1 * yr + r2;
      l2 = c.b2 * xl - c.a2 * yl;
      r2 = c.b2 * xr - c.a2 * yr;
      data[0] = static_cast<float>(yl);
      data[1] = static_cast<float>(yr);
    }
    left.z1_ = l1;
    left.z2_ = l2;
    right.z1_ = r1;
    right.z2_ = r2;
  }

 private:
  friend class BiquadCascade;
  double z1_ = 0.0;
  double z2_ = 0.0;
};

// Up to kMaxSections sections in series, run sample by sample through all of them with both
// channels side by side. Each section's arithmetic is that of BiquadState, and the samples
// stay in double precision from one section to the next, so the result is that of running
// the sections one after another to within a rounding of single precision, and much faster:
// the sections' recursions overlap in the processor instead of each waiting for its own.
class BiquadCascade {
  using Pair = double __attribute__((vector_size(16)));
  struct Section {
    Pair b0, b1, b2, a1, a2, z1, z2;
  };

 public:
  static constexpr int kMaxSections = 16;

  // Appends a section with its left and right state (the right one is not used for mono).
  void add(const BiquadCoefficients& c, const BiquadState& left, const BiquadState& right) noexcept {
    sections_[count_++] = Section{{c.b0, c.b0}, {c.b1, c.b1}, {c.b2, c.b2}, {c.a1, c.a1}, {c.a2, c.a2},
         {left.z1_, right.z1_}, {left.z2_, right.z2_}};
  }
  // Hands a section's state back after a run.
  void store(int section, BiquadState& left, BiquadState& right) const noexcept {
    const Section& s = sections_[section];
    left.z1_ = s.z1[0];
    left.z2_ = s.z2[0];
    right.z1_ = s.z1[1];
    right.z2_ = s.z2[1];
  }

  void runStereo(float* data, int frames) noexcept {
    for (int i = 0; i < frames; ++i, data += 2) {
      const Pair y = run(Pair{data[0], data[1]});
      data[0] = static_cast<float>(y[0]);
      data[1] = static_cast<float>(y[1]);
    }
  }
  void runMono(float* data, int frames) noexcept {
    for (int i = 0; i < frames; ++i) data[i] = static_cast<float>(run(Pair{data[i], 0.0})[0]);
  }

 private:
  Pair run(Pair x) noexcept {
    for (int k = 0; k < count_; ++k) {
      Section& s = sections_[k];
      const Pair y = s.b0 * x + s.z1;
      s.z1 = s.b1 * x - s.a1 * y + s.z2;
      s.z2 = s.b2 * x - s.a2 * y;
      x = y;
    }
    return x;
  }

  Section sections_[kMaxSections];
  int count_ = 0;
};

}  // namespace audio::dsp
