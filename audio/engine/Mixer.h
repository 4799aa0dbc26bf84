#pragma once

// Mixes the channels for the output and runs the decoding thread that feeds their streams.
//
// What plays reaches the audio thread as an immutable list of routes (a channel, the stream
// it plays, the stream queued behind it, one let go from that queue while it was heard),
// published by one atomic pointer swap. A replaced
// list is kept until the audio thread is known to have left any render() that might still
// read it: render() bumps a counter on entry and on exit (odd while inside), and a list
// retired while the counter was even, or retired and then seen with the counter changed, can
// no longer be in use. The lists hold the channels and streams, so these live as long.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/engine/Channel.h"
#include "audio/output/Output.h"

namespace audio {

class Stream;

class Mixer : public RenderSource {
 public:
  Mixer() = default;
  ~Mixer() override;

  // Controlling thread. Mixes for `output`, which wakeOutput() wakes until stop().
  void start(int sampleRate, Output* output);
  // false when it is still inside a file call then, and is left to end with the process.
  bool stop(std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max());
  int sampleRate() const { return sampleRate_; }
  // Plays `source` through `channel`.
  void add(std::shared_ptr<Channel> channel, std::shared_ptr<Stream> source);
  // Queues `next` behind the stream that `channel` plays.
  void setNext(const Channel* channel, std::shared_ptr<Stream> next);
  // Takes the queued stream, which the caller has released, out of the queue. When the
  // channel has already gone on into it, it fades out first and the channel goes back to
  // the stream it plays.
  void dropNext(const Channel* channel);
  // The queued stream becomes the one the channel plays; the one it played is let go.
  void advance(const Channel* channel);
  // Fades the channel out and lets it and its streams go.
  void release(const Channel* channel);
  // Silences the mix, or lets it be heard again. Either way the mix fades, over a channel's
  // fade time, rather than jumping: silencing a tone mid-wave would click.
  void setMuted(bool muted);
  bool muted() const { return muted_.load(std::memory_order_relaxed); }
  // How many renders have been wholly silent since a mute's fade-out ended; 0 while the mix
  // is not muted or still fading. An output plays a render some time after it was made, so a
  // caller that stops the output waits for a few of these to have the fade heard.
  uint32_t silentRendersSinceMute() const { return silentRenders_.load(std::memory_order_acquire); }
  // Any thread but the audio thread. Asks the decoding thread to look at the streams now
  // rather than at its next round.
  void wake();
  // Any thread but the audio thread. Something is to be heard: an output that rests while
  // nothing plays gets going again.
  void wakeOutput();

  // Audio thread.
  void render(float* interleavedStereo, int frames) noexcept override;
  bool playing() const noexcept override { return playing_.load(std::memory_order_relaxed); }
  // Test clock only; see RenderSource.
  void awaitData(int frames) override;

 private:
  struct Route {
    std::shared_ptr<Channel> channel;
    std::shared_ptr<Stream> source;
    std::shared_ptr<Stream> next;
    std::shared_ptr<Stream> leaving;
    bool released = false;
  };
  using RouteList = std::vector<Route>;
  // What the decoding thread feeds: a channel's stream and the one queued behind it.
  struct Feeding {
    std::shared_ptr<Stream> source;
    std::shared_ptr<Stream> next;
  };
  using FeedingList = std::vector<Feeding>;
  struct Retired {
    std::unique_ptr<RouteList> list;
    uint64_t epoch;
  };

  static Channel::Feed feed(const Route& route);
  Route* find(const Channel* channel);
  void publish();
  // Audio thread: fades the mix towards silence while muted, and back while not.
  void applyMute(float* interleavedStereo, int frames, bool muted) noexcept;
  void collectGarbage();
  void decodeLoop(uint64_t generation);

  int sampleRate_ = 0;
  std::atomic<bool> muted_{false};
  std::atomic<uint32_t> silentRenders_{0};
  // Audio thread only: the gain of the mute's fade, 1 (heard) to 0 (silent).
  float muteGain_ = 1.0f;

  // Controlling thread's copy, and the one the audio thread reads.
  RouteList routes_;
  std::unique_ptr<RouteList> published_;
  std::atomic<const RouteList*> current_{nullptr};
  std::atomic<uint64_t> renderEpoch_{0};
  // Whether, at the last render, a channel could be heard or had a stream asked to play
  // that can (and the mix was not muted).
  std::atomic<bool> playing_{false};
  std::vector<Retired> retired_;

  // The decoding thread's view, and the output to wake, guarded by workerMutex_ (never held
  // while decoding).
  std::mutex workerMutex_;
  Output* output_ = nullptr;
  std::condition_variable wakeWorker_;
  std::condition_variable workerProgress_;
  FeedingList workerStreams_;
  bool workerRunning_ = false;
  bool workerWoken_ = false;
  // Each start() runs a decoding thread of a new generation; one left behind by stop()
  // ends when its file call returns, without ever decoding again.
  uint64_t workerGeneration_ = 0;
  bool workerEnded_ = false;
  int dataWaiters_ = 0;
  std::thread worker_;
};

}  // namespace audio
