#pragma once

// One open stream and the three threads' view of it.
//
// - The controlling thread sets the play state, volume, pan and seek requests (atomics) and
//   reads lengths and positions (atomics).
// - The decoding thread (service) keeps the ring about half a second ahead, resampled to
//   the output rate, and answers seek requests by starting a new segment in the ring.
// - The audio thread (mix) takes frames from the ring, runs the effect chain, keeps the
//   spectrum history, applies volume and pan with short ramps and adds to the output.
//
// A seek is a numbered request. The decoding thread answers it with a segment of the same
// number that starts at a known ring position; the audio thread drops whatever came before
// that position. Until the answer arrives the stream is silent and reports the target.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/engine/EffectChain.h"
#include "audio/engine/FrameRing.h"

namespace audio {

class Decoder;
class Resampler;

enum class PlayRequest : int { Stopped = 0, Playing = 1, Paused = 2 };

class Stream {
 public:
  static constexpr int kHistoryFrames = 1024;
  // The audio thread works in blocks of at most this many frames.
  static constexpr int kMaxBlockFrames = 512;

  Stream(uint32_t handle, std::unique_ptr<Decoder> decoder, int outputRate);
  ~Stream();
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  uint32_t handle() const { return handle_; }
  int sourceRate() const { return sourceRate_; }
  int sourceChannels() const { return sourceChannels_; }
  int64_t bytesPerFrame() const { return static_cast<int64_t>(sourceChannels_) * 2; }
  EffectChain& chain() { return chain_; }

  // Controlling thread.
  void setPlayRequest(PlayRequest request) { request_.store(request); }
  PlayRequest playRequest() const { return request_.load(); }
  void requestSeek(int64_t frame);
  bool endedAtCurrentRequest() const;
  int64_t lengthFrames() const { return lengthFrames_.load(std::memory_order_acquire); }
  int64_t positionFrames() const;
  void setVolume(float volume) { targetVolume_.store(volume, std::memory_order_relaxed); }
  void setPan(float pan) { targetPan_.store(pan, std::memory_order_relaxed); }
  float volume() const { return targetVolume_.load(std::memory_order_relaxed); }
  float pan() const { return targetPan_.load(std::memory_order_relaxed); }
  // Copies the last kHistoryFrames mono frames heard, oldest first.
  void copyHistory(float* out) const;

  // Decoding thread. Does a bounded amount of work; returns false when nothing was needed.
  bool service();

  // Audio thread.
  void adoptSegment() noexcept;
  // Whether the next `frames` can be mixed without running dry: playing streams need the
  // answer to their last seek and that many frames, or the end, in the ring. For clocks
  // driven by a caller only.
  bool readyFor(int frames) noexcept;
  void mix(float* out, int frames) noexcept;

 private:
  void startSegment(uint32_t serial);
  bool decodeChunk();
  void finishSegment();
  void writeToRing(const float* frames, int count);
  void mixBlock(float* out, int frames) noexcept;
  void pushHistory(const float* frames, int count) noexcept;
  void applyGains(const float* in, float* out, int frames) noexcept;

  const uint32_t handle_;
  int sourceRate_ = 0;
  int sourceChannels_ = 0;
  int outputRate_ = 0;

  // Decoding thread only.
  std::unique_ptr<Decoder> decoder_;
  std::unique_ptr<Resampler> resampler_;
  uint32_t workerSerial_ = 0;
  bool workerEnded_ = false;
  size_t aheadFrames_ = 0;
  int sourceChunkFrames_ = 0;
  std::vector<float> decoded_;
  std::vector<float> resampled_;

  FrameRing ring_;
  EffectChain chain_;

  // Controlling thread to the others.
  std::atomic<PlayRequest> request_{PlayRequest::Stopped};
  std::atomic<uint32_t> seekSerial_{0};
  std::atomic<int64_t> seekFrame_{0};
  std::atomic<float> targetVolume_{1.0f};
  std::atomic<float> targetPan_{0.0f};

  // Decoding thread to the others.
  std::atomic<uint32_t> segmentSerial_{0};
  std::atomic<uint64_t> segmentStartWrite_{0};
  std::atomic<int64_t> segmentStartFrame_{0};
  std::atomic<bool> segmentEnded_{false};
  std::atomic<uint64_t> segmentEndWrite_{0};
  std::atomic<int64_t> lengthFrames_{0};

  // Audio thread to the controlling thread.
  std::atomic<uint32_t> appliedSerial_{0};
  std::atomic<int64_t> position_{0};
  std::atomic<uint32_t> endedSerial_{UINT32_MAX};
  std::array<std::atomic<float>, kHistoryFrames> history_{};
  std::atomic<uint32_t> historyWrite_{0};

  // Audio thread only.
  uint32_t audioSerial_ = 0;
  int64_t audioSegmentStart_ = 0;
  int64_t consumed_ = 0;
  float volume_ = 1.0f;
  float pan_ = 0.0f;
  bool gainsStarted_ = false;
  std::vector<float> block_;
};

}  // namespace audio
