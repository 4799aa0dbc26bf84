#pragma once

// One file as a source of frames, and each thread's view of it.
//
// - The media thread opens the file (attach) or finds that it cannot (fail). Until then the
//   stream is opening: it takes requests but has nothing to play and no length yet.
// - The controlling thread sets the play state and seek requests (atomics) and reads lengths
//   and positions (atomics).
// - The decoding thread (service) keeps the ring about half a second ahead, resampled to the
//   output rate, and answers seek requests by starting a new segment in the ring.
// - The audio thread reads frames through the channel that plays the stream (Channel), which
//   runs the effects, the gains and the fades.
//
// A seek is a numbered request. The decoding thread answers it with a segment of the same
// number that starts at a known ring position. The audio thread may go on reading the old
// segment up to that position (to fade it out), then takes the new one and drops what came
// before it. Until the answer is taken the stream reports the target as its position.

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/decode/StreamTags.h"
#include "audio/engine/FrameRing.h"

namespace audio {

class Decoder;
class Resampler;

enum class PlayRequest : int { Stopped = 0, Playing = 1, Paused = 2 };
enum class OpenState : int { Opening = 0, Open = 1, Failed = 2 };

class Stream {
 public:
  Stream(uint32_t handle, int outputRate);
  ~Stream();
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  uint32_t handle() const { return handle_; }

  // Any thread. Once Open, the source's rate and channels below are fixed and may be read.
  OpenState openState() const { return openState_.load(std::memory_order_acquire); }
  // Any thread but the media thread: waits until the stream is open or has failed.
  OpenState awaitOpen() const;
  int sourceRate() const { return sourceRate_; }
  int sourceChannels() const { return sourceChannels_; }
  int64_t bytesPerFrame() const { return static_cast<int64_t>(sourceChannels_) * 2; }

  // Media thread: the file opened as `decoder`, or could not be opened. The file's tags are
  // set before attach, which publishes them with the open state.
  void attach(std::unique_ptr<Decoder> decoder);
  void fail();
  void setTags(StreamTags tags) { tags_ = std::move(tags); }

  // Any thread, once Open.
  const StreamTags& tags() const { return tags_; }

  // Controlling thread.
  void setPlayRequest(PlayRequest request) { request_.store(request); }
  PlayRequest playRequest() const { return request_.load(); }
  void requestSeek(int64_t frame);
  bool endedAtCurrentRequest() const;
  int64_t lengthFrames() const { return lengthFrames_.load(std::memory_order_acquire); }
  int64_t positionFrames() const;
  // Marks the stream as let go, so that an open not yet begun is skipped.
  void release() { released_.store(true, std::memory_order_relaxed); }
  bool released() const { return released_.load(std::memory_order_relaxed); }

  // Decoding thread. Does a bounded amount of work; returns false when nothing was needed.
  bool service();

  // Audio thread.
  // Whether a seek asked for has not been taken yet.
  bool seekPending() const noexcept;
  // Takes the answer to the latest seek when it has arrived.
  void takeSeekAnswer() noexcept;
  // Whether the segment being read has played to its natural end.
  bool ended() const noexcept;
  // Copies up to `frames` frames of the segment being read; fewer at its end, at the start
  // of an answered seek's segment, or when the decoding thread is behind. With `out` null the
  // frames are passed over unheard.
  int read(float* out, int frames) noexcept;
  // Copies frames from `offset` frames ahead of the position without moving it.
  int peek(float* out, int offset, int frames) const noexcept;
  // Whether `frames` frames can be read without running dry: the answer to the last seek
  // and that many frames, or the end, are in the ring. For clocks driven by a caller only.
  bool readyFor(int frames) const noexcept;
  // Frames ready in the segment being read.
  size_t readable() const noexcept;
  // Whether the segment being read is known to end within the frames in the ring.
  bool endInRing() const noexcept;

 private:
  void startSegment(uint32_t serial);
  bool decodeChunk();
  void finishSegment();
  void writeToRing(const float* frames, int count);

  const uint32_t handle_;
  const int outputRate_;
  // Written by the media thread before openState_ turns Open, read-only afterwards.
  int sourceRate_ = 0;
  int sourceChannels_ = 0;
  StreamTags tags_;

  // Decoding thread only (and the media thread before the stream is open).
  std::unique_ptr<Decoder> decoder_;
  std::unique_ptr<Resampler> resampler_;
  uint32_t workerSerial_ = 0;
  bool workerEnded_ = false;
  size_t aheadFrames_ = 0;
  int sourceChunkFrames_ = 0;
  std::vector<float> decoded_;
  std::vector<float> resampled_;

  FrameRing ring_;

  std::atomic<OpenState> openState_{OpenState::Opening};
  std::atomic<bool> released_{false};

  // Controlling thread to the others.
  std::atomic<PlayRequest> request_{PlayRequest::Stopped};
  std::atomic<uint32_t> seekSerial_{0};
  std::atomic<int64_t> seekFrame_{0};

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

  // Audio thread only.
  uint32_t audioSerial_ = 0;
  int64_t audioSegmentStart_ = 0;
  int64_t consumed_ = 0;
};

}  // namespace audio
