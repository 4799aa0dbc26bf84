#pragma once

// A small parameter record shared between the threads that set parameters and the audio
// thread that reads them. Writers take a mutex among themselves; the reader never waits: it
// copies the record under a sequence counter and, should a writer be half-way through, keeps
// its previous copy and tries again at its next block.

#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <thread>
#include <type_traits>

namespace audio::dsp {

template <class Record>
class SharedRecord {
  static_assert(std::is_trivially_copyable_v<Record>);
  static_assert(sizeof(Record) % sizeof(uint32_t) == 0);
  static constexpr size_t kWords = sizeof(Record) / sizeof(uint32_t);

 public:
  explicit SharedRecord(const Record& initial) noexcept { store(initial); }

  // Any thread.
  void store(const Record& record) noexcept {
    uint32_t words[kWords];
    std::memcpy(words, &record, sizeof(Record));
    std::lock_guard<std::mutex> lock(writeLock_);
    const uint32_t sequence = sequence_.load(std::memory_order_relaxed);
    sequence_.store(sequence + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    for (size_t i = 0; i < kWords; ++i) words_[i].store(words[i], std::memory_order_relaxed);
    sequence_.store(sequence + 2, std::memory_order_release);
  }

  // Any thread but the audio thread: waits out a writer that is half-way through.
  Record load() const noexcept {
    Record record;
    uint32_t version = 0;
    while (!tryLoad(record, version)) std::this_thread::yield();
    return record;
  }

  // Audio thread: one attempt, no waiting. On success fills `record` and the version read.
  bool tryLoad(Record& record, uint32_t& version) const noexcept {
    const uint32_t before = sequence_.load(std::memory_order_acquire);
    if (before & 1u) return false;
    uint32_t words[kWords];
    for (size_t i = 0; i < kWords; ++i) words[i] = words_[i].load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    if (sequence_.load(std::memory_order_relaxed) != before) return false;
    std::memcpy(&record, words, sizeof(Record));
    version = before;
    return true;
  }

  uint32_t version() const noexcept { return sequence_.load(std::memory_order_acquire); }

 private:
  std::atomic<uint32_t> words_[kWords] = {};
  std::atomic<uint32_t> sequence_{0};
  std::mutex writeLock_;
};

}  // namespace audio::dsp
