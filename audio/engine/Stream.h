#pragma once

// One file as a source of frames, and each thread's view of it.
//
// - The media thread opens the file (attach) or finds that it cannot (fail). Until then the
//   stream is opening: it takes requests but has nothing to play and no length yet. It also
//   closes the file as soon as the stream is let go, and makes the seeks that open the file
//   afresh (back to its start) on the decoding thread's behalf.
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
// before it. Until the answer is taken the stream reports the target as its position. A seek
// that opens the file afresh is made on the media thread: the decoding thread hands the
// decoder over, and answers once it is back.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/decode/StreamTags.h"
#include "audio/engine/FrameRing.h"
#include "audio/engine/MediaThread.h"

namespace audio {

class Decoder;
class Resampler;

enum class PlayRequest : int { Stopped = 0, Playing = 1, Paused = 2 };
enum class OpenState : int { Opening = 0, Open = 1, Failed = 2 };

class Stream : public std::enable_shared_from_this<Stream> {
 public:
  // `media` runs the stream's file jobs; `wakeDecoding` asks the decoding thread to look at
  // the stream again, from the media thread.
  Stream(uint32_t handle, int outputRate, MediaThread media, std::function<void()> wakeDecoding);
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

  // Media thread: the file opened as `decoder`, or could not be opened. A decoder that
  // arrives for a stream already let go is closed at once. The file's tags are set before
  // attach, which publishes them with the open state.
  void attach(std::unique_ptr<Decoder> decoder);
  void fail();
  void setTags(StreamTags tags) { tags_ = std::move(tags); }

  // Any thread, once Open.
  const StreamTags& tags() const { return tags_; }

  // Controlling thread.
  void setPlayRequest(PlayRequest request) { request_.store(request); }
  PlayRequest playRequest() const { return request_.load(); }
  void requestSeek(int64_t frame);
  // Any thread. The number of seeks asked for so far.
  uint32_t seekSerial() const { return seekSerial_.load(std::memory_order_acquire); }
  bool endedAtCurrentRequest() const;
  int64_t lengthFrames() const { return lengthFrames_.load(std::memory_order_acquire); }
  int64_t positionFrames() const;
  // Lets the stream go: an open not yet begun is skipped, and the file is closed on the media
  // thread as soon as the decoding thread has finished the step it may be taking. What the
  // decoding thread has already put in the ring can still be heard, for a fade-out.
  // Any thread may ask; the order of release() and released() is total, so that the
  // controlling thread, once it has let a stream go, can tell from a channel's report whether
  // that channel had started to play it.
  void release();
  bool released() const { return released_.load(); }

  // Decoding thread. Does a bounded amount of work; returns false when nothing was needed.
  bool service();

  // Audio thread.
  // Whether a seek asked for has not been taken yet.
  bool seekPending() const noexcept;
  // Takes the answer to the latest seek when it has arrived.
  void takeSeekAnswer() noexcept;
  // Whether the segment being read has played to its natural end.
  bool ended() const noexcept;
  // Whether the next frame read is the file's first: sound that starts there is the file's
  // own start, not a cut into it.
  bool atStart() const noexcept { return audioSegmentStart_ == 0 && consumed_ == 0; }
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
  // Moves the decoder to the latest seek request; false when the decoder went to the media
  // thread to make it.
  bool startSegment(uint32_t serial);
  // Takes back a decoder that made a seek on the media thread; false while it is away.
  bool takeBackDecoder();
  void sendDecoderToSeek(uint32_t serial, int64_t frame);
  // Media thread.
  void decoderBack(std::unique_ptr<Decoder> decoder);
  void closeFile();
  // Publishes a new segment starting where the decoder stands.
  void answerSeek(uint32_t serial);
  bool decodeChunk();
  void finishSegment();
  void writeToRing(const float* frames, int count);

  const uint32_t handle_;
  const int outputRate_;
  // Written by the media thread before openState_ turns Open, read-only afterwards.
  int sourceRate_ = 0;
  int sourceChannels_ = 0;
  StreamTags tags_;

  const MediaThread media_;
  const std::function<void()> wakeDecoding_;

  // The decoder, guarded by decoderMutex_: the media thread attaches it, takes it to seek by
  // opening the file afresh, and closes it; the decoding thread holds the mutex while it
  // decodes. Never the audio or the controlling thread.
  std::mutex decoderMutex_;
  std::unique_ptr<Decoder> decoder_;
  // A decoder back from a seek on the media thread, for the decoding thread to take.
  std::unique_ptr<Decoder> returned_;
  bool decoderAway_ = false;
  bool closed_ = false;

  // Decoding thread only (and the media thread before the stream is open).
  std::unique_ptr<Resampler> resampler_;
  uint32_t awaySerial_ = 0;  // the seek the decoder went away to make
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
