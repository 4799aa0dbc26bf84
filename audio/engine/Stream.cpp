#include "audio/engine/Stream.h"

#include <algorithm>

#include "audio/decode/Decoder.h"
#include "audio/decode/Resampler.h"

namespace audio {

namespace {

// Ring room: about three quarters of a second at 44100 Hz.
constexpr size_t kRingFrames = 32768;
// The decoding thread keeps this much audio ready ahead of what is heard.
constexpr double kAheadSeconds = 0.5;
// Decoded at once, in output frames; bounds one step of the decoding thread.
constexpr int kChunkOutputFrames = 2048;
constexpr int kChunksPerService = 8;

}  // namespace

Stream::Stream(uint32_t handle, int outputRate, MediaThread media, std::function<void()> wakeDecoding)
    : handle_(handle),
      outputRate_(outputRate),
      media_(std::move(media)),
      wakeDecoding_(std::move(wakeDecoding)),
      ring_(kRingFrames) {
  aheadFrames_ = std::min(static_cast<size_t>(kAheadSeconds * outputRate_), ring_.capacity() / 2);
}

Stream::~Stream() = default;

// ---- Media thread ------------------------------------------------------------------------

void Stream::attach(std::unique_ptr<Decoder> decoder) {
  std::unique_lock lock(decoderMutex_);
  if (closed_) {
    lock.unlock();
    decoder.reset();
    fail();
    return;
  }
  sourceRate_ = decoder->sampleRate();
  sourceChannels_ = decoder->channels();
  sourceChunkFrames_ = kChunkOutputFrames;
  if (sourceRate_ != outputRate_) {
    resampler_ = Resampler::create(sourceRate_, outputRate_);
    if (!resampler_) {
      fail();
      return;
    }
    sourceChunkFrames_ = std::max(
        16, static_cast<int>(static_cast<int64_t>(kChunkOutputFrames) * sourceRate_ / outputRate_));
  }
  decoded_.resize(static_cast<size_t>(sourceChunkFrames_) * FrameRing::kChannels);
  const int outCapacity = resampler_ ? resampler_->maxOutput(sourceChunkFrames_) : sourceChunkFrames_;
  resampled_.resize(static_cast<size_t>(outCapacity) * FrameRing::kChannels);
  lengthFrames_.store(decoder->lengthFrames(), std::memory_order_relaxed);
  decoder_ = std::move(decoder);
  openState_.store(OpenState::Open, std::memory_order_release);
  openState_.notify_all();
}

void Stream::fail() {
  openState_.store(OpenState::Failed, std::memory_order_release);
  openState_.notify_all();
}

void Stream::decoderBack(std::unique_ptr<Decoder> decoder) {
  {
    std::lock_guard lock(decoderMutex_);
    if (!closed_) returned_ = std::move(decoder);
  }
  // A stream let go meanwhile has its file closed here.
  decoder.reset();
  wakeDecoding_();
}

void Stream::closeFile() {
  std::unique_ptr<Decoder> decoder;
  std::unique_ptr<Decoder> returned;
  {
    std::lock_guard lock(decoderMutex_);
    closed_ = true;
    decoder = std::move(decoder_);
    returned = std::move(returned_);
  }
}

OpenState Stream::awaitOpen() const {
  openState_.wait(OpenState::Opening, std::memory_order_acquire);
  return openState();
}

// ---- Controlling thread ------------------------------------------------------------------

void Stream::release() {
  released_.store(true);
  media_.post([self = shared_from_this()] { self->closeFile(); });
}

void Stream::requestSeek(int64_t frame) {
  seekFrame_.store(frame, std::memory_order_relaxed);
  seekSerial_.fetch_add(1, std::memory_order_acq_rel);
}

bool Stream::endedAtCurrentRequest() const {
  return endedSerial_.load(std::memory_order_acquire) == seekSerial_.load(std::memory_order_acquire);
}

int64_t Stream::positionFrames() const {
  const uint32_t requested = seekSerial_.load(std::memory_order_acquire);
  if (appliedSerial_.load(std::memory_order_acquire) != requested) {
    return seekFrame_.load(std::memory_order_relaxed);
  }
  return position_.load(std::memory_order_relaxed);
}

// ---- Decoding thread ---------------------------------------------------------------------

bool Stream::service() {
  if (openState() != OpenState::Open) return false;
  std::lock_guard lock(decoderMutex_);
  if (closed_) return false;
  bool worked = false;
  if (decoderAway_) {
    if (!takeBackDecoder()) return false;
    worked = true;
  }
  const uint32_t requested = seekSerial_.load(std::memory_order_acquire);
  if (requested != workerSerial_) {
    if (!startSegment(requested)) return true;
    worked = true;
  }
  for (int i = 0; i < kChunksPerService && !workerEnded_; ++i) {
    // Frames of an older segment still waiting to fade out do not count as ahead.
    const uint64_t from = std::max(ring_.readPosition(), segmentStartWrite_.load(std::memory_order_relaxed));
    const auto buffered = static_cast<size_t>(ring_.writePosition() - from);
    const size_t room = resampled_.size() / FrameRing::kChannels;
    if (buffered >= aheadFrames_ || ring_.freeFrames() < room) break;
    if (!decodeChunk()) finishSegment();
    worked = true;
  }
  return worked;
}

bool Stream::startSegment(uint32_t serial) {
  const int64_t frame = seekFrame_.load(std::memory_order_relaxed);
  // A decoder already there (a stream stopped before it played) need not move.
  if (frame != decoder_->position()) {
    if (decoder_->seekReopens(frame)) {
      sendDecoderToSeek(serial, frame);
      return false;
    }
    decoder_->seek(frame);
  }
  answerSeek(serial);
  return true;
}

void Stream::sendDecoderToSeek(uint32_t serial, int64_t frame) {
  decoderAway_ = true;
  awaySerial_ = serial;
  auto decoder = std::make_shared<std::unique_ptr<Decoder>>(std::move(decoder_));
  media_.post([self = shared_from_this(), decoder, frame] {
    (*decoder)->seek(frame);
    self->decoderBack(std::move(*decoder));
  });
}

bool Stream::takeBackDecoder() {
  if (!returned_) return false;
  decoder_ = std::move(returned_);
  decoderAway_ = false;
  // Unless a newer seek came meanwhile, the decoder stands where the seek asked.
  if (awaySerial_ == seekSerial_.load(std::memory_order_acquire)) answerSeek(awaySerial_);
  return true;
}

void Stream::answerSeek(uint32_t serial) {
  workerSerial_ = serial;
  if (resampler_) resampler_->reset();
  workerEnded_ = false;
  lengthFrames_.store(decoder_->lengthFrames(), std::memory_order_release);
  segmentEnded_.store(false, std::memory_order_relaxed);
  segmentStartFrame_.store(decoder_->position(), std::memory_order_relaxed);
  segmentStartWrite_.store(ring_.writePosition(), std::memory_order_relaxed);
  segmentSerial_.store(serial, std::memory_order_release);
}

bool Stream::decodeChunk() {
  const int frames = decoder_->read(decoded_.data(), sourceChunkFrames_);
  if (frames <= 0) return false;
  if (!resampler_) {
    writeToRing(decoded_.data(), frames);
    return true;
  }
  const int capacity = static_cast<int>(resampled_.size() / FrameRing::kChannels);
  writeToRing(resampled_.data(), resampler_->process(decoded_.data(), frames, resampled_.data(), capacity));
  return true;
}

void Stream::finishSegment() {
  if (resampler_) {
    const int capacity = static_cast<int>(resampled_.size() / FrameRing::kChannels);
    writeToRing(resampled_.data(), resampler_->flush(resampled_.data(), capacity));
  }
  workerEnded_ = true;
  // The exact length is published before the end, so that whoever sees the end sees it.
  lengthFrames_.store(decoder_->lengthFrames(), std::memory_order_release);
  segmentEndWrite_.store(ring_.writePosition(), std::memory_order_relaxed);
  segmentEnded_.store(true, std::memory_order_release);
}

void Stream::writeToRing(const float* frames, int count) {
  // The caller checked the room for a whole chunk, so nothing is dropped here.
  ring_.write(frames, static_cast<size_t>(count));
}

// ---- Audio thread ------------------------------------------------------------------------

bool Stream::seekPending() const noexcept {
  return seekSerial_.load(std::memory_order_acquire) != audioSerial_;
}

void Stream::takeSeekAnswer() noexcept {
  const uint32_t serial = segmentSerial_.load(std::memory_order_acquire);
  if (serial == audioSerial_) return;
  audioSerial_ = serial;
  ring_.skipTo(segmentStartWrite_.load(std::memory_order_relaxed));
  audioSegmentStart_ = segmentStartFrame_.load(std::memory_order_relaxed);
  consumed_ = 0;
  position_.store(audioSegmentStart_, std::memory_order_relaxed);
  appliedSerial_.store(serial, std::memory_order_release);
}

bool Stream::ended() const noexcept {
  return endedSerial_.load(std::memory_order_relaxed) == audioSerial_;
}

size_t Stream::readable() const noexcept {
  // The ring's fill is read first: whoever sees frames of a newer segment sees that segment
  // announced too, and stops short of it.
  const size_t available = ring_.availableFrames();
  if (segmentSerial_.load(std::memory_order_acquire) == audioSerial_) return available;
  const uint64_t boundary = segmentStartWrite_.load(std::memory_order_relaxed);
  const uint64_t read = ring_.readPosition();
  return boundary > read ? std::min<size_t>(available, static_cast<size_t>(boundary - read)) : 0;
}

bool Stream::endInRing() const noexcept {
  return segmentSerial_.load(std::memory_order_acquire) == audioSerial_ &&
         segmentEnded_.load(std::memory_order_acquire);
}

int Stream::read(float* out, int frames) noexcept {
  if (ended()) return 0;
  const size_t count = std::min(readable(), static_cast<size_t>(frames));
  int got = 0;
  if (out != nullptr) {
    got = static_cast<int>(ring_.read(out, count));
  } else {
    ring_.skipTo(ring_.readPosition() + count);
    got = static_cast<int>(count);
  }
  consumed_ += got;
  if (got < frames && endInRing() && ring_.readPosition() >= segmentEndWrite_.load(std::memory_order_relaxed)) {
    // The natural end: the position lands on the exact length.
    position_.store(lengthFrames_.load(std::memory_order_acquire), std::memory_order_relaxed);
    endedSerial_.store(audioSerial_, std::memory_order_release);
    return got;
  }
  int64_t heard = consumed_;
  if (outputRate_ != sourceRate_) heard = consumed_ * sourceRate_ / outputRate_;
  const int64_t length = lengthFrames_.load(std::memory_order_acquire);
  position_.store(std::min(audioSegmentStart_ + heard, std::max<int64_t>(length, 0)), std::memory_order_relaxed);
  return got;
}

int Stream::peek(float* out, int offset, int frames) const noexcept {
  if (ended()) return 0;
  const size_t readableNow = readable();
  const auto from = static_cast<size_t>(offset);
  if (from >= readableNow) return 0;
  return static_cast<int>(ring_.peek(out, from, std::min(readableNow - from, static_cast<size_t>(frames))));
}

bool Stream::readyFor(int frames) const noexcept {
  if (seekPending()) {
    // The answer, and the frames of its segment.
    if (segmentSerial_.load(std::memory_order_acquire) != seekSerial_.load(std::memory_order_acquire)) return false;
    const uint64_t start = segmentStartWrite_.load(std::memory_order_relaxed);
    const uint64_t written = ring_.writePosition();
    return written - start >= static_cast<uint64_t>(frames) || segmentEnded_.load(std::memory_order_acquire);
  }
  return ended() || readable() >= static_cast<size_t>(frames) || endInRing();
}

}  // namespace audio
