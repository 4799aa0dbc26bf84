#pragma once

// A single-producer, single-consumer ring of interleaved stereo float frames. The decoding
// thread writes, the audio thread reads; neither ever waits. Positions count frames since
// the ring was made and never wrap, so a segment boundary can be named by a write position.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

namespace audio {

class FrameRing {
 public:
  static constexpr int kChannels = 2;

  // `capacityFrames` is rounded up to a power of two.
  explicit FrameRing(size_t capacityFrames) {
    size_t capacity = 1;
    while (capacity < capacityFrames) capacity <<= 1;
    capacity_ = capacity;
    samples_.assign(capacity * kChannels, 0.0f);
  }

  size_t capacity() const { return capacity_; }
  uint64_t writePosition() const { return write_.load(std::memory_order_acquire); }
  uint64_t readPosition() const { return read_.load(std::memory_order_acquire); }

  // Producer side.
  size_t freeFrames() const {
    return capacity_ - static_cast<size_t>(write_.load(std::memory_order_relaxed) -
                                           read_.load(std::memory_order_acquire));
  }
  size_t write(const float* frames, size_t count) {
    const uint64_t write = write_.load(std::memory_order_relaxed);
    count = std::min(count, freeFrames());
    copyIn(write, frames, count);
    write_.store(write + count, std::memory_order_release);
    return count;
  }

  // Consumer side.
  size_t availableFrames() const {
    return static_cast<size_t>(write_.load(std::memory_order_acquire) -
                               read_.load(std::memory_order_relaxed));
  }
  size_t read(float* frames, size_t count) {
    const uint64_t read = read_.load(std::memory_order_relaxed);
    count = std::min(count, availableFrames());
    copyOut(read, frames, count);
    read_.store(read + count, std::memory_order_release);
    return count;
  }
  // Copies `count` frames starting `offset` frames after the read position, without taking
  // them; returns how many there were.
  size_t peek(float* frames, size_t offset, size_t count) const {
    const size_t available = availableFrames();
    if (offset >= available) return 0;
    count = std::min(count, available - offset);
    copyOut(read_.load(std::memory_order_relaxed) + offset, frames, count);
    return count;
  }
  // Drops everything before `position` (never beyond what has been written).
  void skipTo(uint64_t position) {
    const uint64_t read = read_.load(std::memory_order_relaxed);
    const uint64_t target = std::min(position, write_.load(std::memory_order_acquire));
    if (target > read) read_.store(target, std::memory_order_release);
  }

 private:
  void copyIn(uint64_t position, const float* frames, size_t count) {
    const size_t start = static_cast<size_t>(position & (capacity_ - 1));
    const size_t first = std::min(count, capacity_ - start);
    std::memcpy(&samples_[start * kChannels], frames, first * kChannels * sizeof(float));
    std::memcpy(&samples_[0], frames + first * kChannels, (count - first) * kChannels * sizeof(float));
  }
  void copyOut(uint64_t position, float* frames, size_t count) const {
    const size_t start = static_cast<size_t>(position & (capacity_ - 1));
    const size_t first = std::min(count, capacity_ - start);
    std::memcpy(frames, &samples_[start * kChannels], first * kChannels * sizeof(float));
    std::memcpy(frames + first * kChannels, &samples_[0], (count - first) * kChannels * sizeof(float));
  }

  size_t capacity_ = 0;
  std::vector<float> samples_;
  alignas(64) std::atomic<uint64_t> write_{0};
  alignas(64) std::atomic<uint64_t> read_{0};
};

}  // namespace audio
