#pragma once

// A circular delay line with a power-of-two length, read at whole or fractional delays.
// Sized in prepare(); writing and reading never allocate.

#include <cmath>
#include <cstddef>
#include <vector>

namespace audio::dsp {

class DelayLine {
 public:
  // Off the audio thread. Holds at least `maxDelay` samples of history plus room for the
  // interpolator's taps.
  void allocate(int maxDelay) {
    size_t size = 8;
    while (size < static_cast<size_t>(maxDelay) + 4) size <<= 1;
    buffer_.assign(size, 0.0f);
    mask_ = size - 1;
    writeIndex_ = 0;
  }
  void clear() noexcept {
    std::fill(buffer_.begin(), buffer_.end(), 0.0f);
    writeIndex_ = 0;
  }

  void push(float sample) noexcept {
    buffer_[writeIndex_] = sample;
    writeIndex_ = (writeIndex_ + 1) & mask_;
  }

  // The sample pushed `delay` pushes ago (1 = the latest).
  float tap(int delay) const noexcept { return buffer_[(writeIndex_ - delay) & mask_]; }

  // Cubic Hermite interpolation between whole delays; `delay` must be at least 2.
  float tapFractional(double delay) const noexcept {
    // Positive, so truncation is the floor.
    const auto d = static_cast<int>(delay);
    return tapCubic(d, static_cast<float>(delay - d));
  }
  // The same between `whole` and `whole` + 1 at `fraction` (0..1) of the way.
  float tapCubic(int whole, float fraction) const noexcept {
    const size_t newest = writeIndex_ - static_cast<size_t>(whole) + 1;
    const float ym1 = buffer_[newest & mask_];
    const float y0 = buffer_[(newest - 1) & mask_];
    const float y1 = buffer_[(newest - 2) & mask_];
    const float y2 = buffer_[(newest - 3) & mask_];
    const float c1 = 0.5f * (y1 - ym1);
    const float c2 = ym1 - 2.5f * y0 + 2.0f * y1 - 0.5f * y2;
    const float c3 = 0.5f * (y2 - ym1) + 1.5f * (y0 - y1);
    return ((c3 * fraction + c2) * fraction + c1) * fraction + y0;
  }

 private:
  std::vector<float> buffer_;
  size_t mask_ = 0;
  size_t writeIndex_ = 0;
};

}  // namespace audio::dsp
