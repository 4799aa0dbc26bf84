#pragma once

// Mixes the open streams for the output and runs the decoding thread that feeds them.
//
// The set of streams reaches the audio thread as an immutable list published by one atomic
// pointer swap. A replaced list is kept until the audio thread is known to have left any
// render() that might still read it: render() bumps a counter on entry and on exit (odd
// while inside), and a list retired while the counter was even, or retired and then seen
// with the counter changed, can no longer be in use.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/output/Output.h"

namespace audio {

class Stream;

class Mixer : public RenderSource {
 public:
  Mixer() = default;
  ~Mixer() override;

  // Controlling thread.
  void start(int sampleRate);
  void stop();
  int sampleRate() const { return sampleRate_; }
  void add(std::shared_ptr<Stream> stream);
  void remove(uint32_t handle);
  void setMuted(bool muted) { muted_.store(muted, std::memory_order_relaxed); }
  // Asks the decoding thread to look at the streams now rather than at its next round.
  void wake();

  // Audio thread.
  void render(float* interleavedStereo, int frames) noexcept override;
  bool playing() const noexcept override { return playing_.load(std::memory_order_relaxed); }
  // Test clock only; see RenderSource.
  void awaitData(int frames) override;

 private:
  using StreamList = std::vector<std::shared_ptr<Stream>>;
  struct Retired {
    StreamList* list;
    uint64_t epoch;
  };

  void publish(StreamList* list);
  void collectGarbage();
  void decodeLoop();

  int sampleRate_ = 0;
  std::atomic<bool> muted_{false};

  // Controlling thread's copy, and the one the audio thread reads.
  StreamList current_;
  std::atomic<StreamList*> published_{nullptr};
  std::atomic<uint64_t> renderEpoch_{0};
  // Whether the last render had a stream asked to play (and was not muted).
  std::atomic<bool> playing_{false};
  std::vector<Retired> retired_;

  // The decoding thread's view, guarded by workerMutex_ (never held while decoding).
  std::mutex workerMutex_;
  std::condition_variable wakeWorker_;
  std::condition_variable workerProgress_;
  StreamList workerStreams_;
  bool workerRunning_ = false;
  bool workerWoken_ = false;
  int dataWaiters_ = 0;
  std::thread worker_;
};

}  // namespace audio
