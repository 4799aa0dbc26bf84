#include "audio/engine/Stream.h"

#include <algorithm>
#include <cmath>

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
// Volume and pan glide to a new value over this many frames (about 6 ms), which removes
// clicks yet is far shorter than one device period.
constexpr int kRampFrames = 256;

}  // namespace

Stream::Stream(uint32_t handle, std::unique_ptr<Decoder> decoder, int outputRate)
    : handle_(handle),
      sourceRate_(decoder->sampleRate()),
      sourceChannels_(decoder->channels()),
      outputRate_(outputRate),
      decoder_(std::move(decoder)),
      ring_(kRingFrames),
      block_(static_cast<size_t>(kMaxBlockFrames) * FrameRing::kChannels) {
  aheadFrames_ = std::min(static_cast<size_t>(kAheadSeconds * outputRate_), ring_.capacity() / 2);
  sourceChunkFrames_ = kChunkOutputFrames;
  if (sourceRate_ != outputRate_) {
    resampler_ = Resampler::create(sourceRate_, outputRate_);
    sourceChunkFrames_ = std::max(
        16, static_cast<int>(static_cast<int64_t>(kChunkOutputFrames) * sourceRate_ / outputRate_));
  }
  decoded_.resize(static_cast<size_t>(sourceChunkFrames_) * FrameRing::kChannels);
  const int outCapacity = resampler_ ? resampler_->maxOutput(sourceChunkFrames_) : sourceChunkFrames_;
  resampled_.resize(static_cast<size_t>(outCapacity) * FrameRing::kChannels);
  lengthFrames_.store(decoder_->lengthFrames());
  chain_.prepare(outputRate_, FrameRing::kChannels, kMaxBlockFrames);
}

Stream::~Stream() = default;

// ---- Controlling thread ------------------------------------------------------------------

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

void Stream::copyHistory(float* out) const {
  const uint32_t write = historyWrite_.load(std::memory_order_acquire);
  for (int i = 0; i < kHistoryFrames; ++i) {
    out[i] = history_[(write + i) % kHistoryFrames].load(std::memory_order_relaxed);
  }
}

// ---- Decoding thread ---------------------------------------------------------------------

bool Stream::service() {
  bool worked = false;
  const uint32_t requested = seekSerial_.load(std::memory_order_acquire);
  if (requested != workerSerial_) {
    startSegment(requested);
    worked = true;
  }
  for (int i = 0; i < kChunksPerService && !workerEnded_; ++i) {
    const size_t buffered = ring_.capacity() - ring_.freeFrames();
    const size_t room = resampled_.size() / FrameRing::kChannels;
    if (buffered >= aheadFrames_ || ring_.freeFrames() < room) break;
    if (!decodeChunk()) finishSegment();
    worked = true;
  }
  return worked;
}

void Stream::startSegment(uint32_t serial) {
  workerSerial_ = serial;
  decoder_->seek(seekFrame_.load(std::memory_order_relaxed));
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

void Stream::adoptSegment() noexcept {
  const uint32_t serial = segmentSerial_.load(std::memory_order_acquire);
  if (serial == audioSerial_) return;
  audioSerial_ = serial;
  ring_.skipTo(segmentStartWrite_.load(std::memory_order_relaxed));
  audioSegmentStart_ = segmentStartFrame_.load(std::memory_order_relaxed);
  consumed_ = 0;
  chain_.reset();
  position_.store(audioSegmentStart_, std::memory_order_relaxed);
  appliedSerial_.store(serial, std::memory_order_release);
}

bool Stream::readyFor(int frames) noexcept {
  adoptSegment();
  if (request_.load(std::memory_order_relaxed) != PlayRequest::Playing) return true;
  if (seekSerial_.load(std::memory_order_acquire) != audioSerial_) return false;
  if (endedSerial_.load(std::memory_order_relaxed) == audioSerial_) return true;
  if (ring_.availableFrames() >= static_cast<size_t>(frames)) return true;
  return segmentEnded_.load(std::memory_order_acquire);
}

void Stream::mix(float* out, int frames) noexcept {
  adoptSegment();
  if (request_.load(std::memory_order_relaxed) != PlayRequest::Playing) return;
  // A seek the decoding thread has not answered yet: stay silent rather than play on.
  if (seekSerial_.load(std::memory_order_acquire) != audioSerial_) return;
  if (endedSerial_.load(std::memory_order_relaxed) == audioSerial_) return;
  for (int done = 0; done < frames;) {
    const int count = std::min(kMaxBlockFrames, frames - done);
    mixBlock(out + static_cast<size_t>(done) * FrameRing::kChannels, count);
    done += count;
  }
}

void Stream::mixBlock(float* out, int frames) noexcept {
  const int got = static_cast<int>(ring_.read(block_.data(), static_cast<size_t>(frames)));
  std::fill(block_.begin() + static_cast<ptrdiff_t>(got) * FrameRing::kChannels,
            block_.begin() + static_cast<ptrdiff_t>(frames) * FrameRing::kChannels, 0.0f);
  consumed_ += got;
  const int64_t length = lengthFrames_.load(std::memory_order_acquire);
  if (got < frames && segmentEnded_.load(std::memory_order_acquire) &&
      ring_.readPosition() >= segmentEndWrite_.load(std::memory_order_relaxed)) {
    // The natural end: the position lands on the exact length.
    position_.store(lengthFrames_.load(std::memory_order_acquire), std::memory_order_relaxed);
    endedSerial_.store(audioSerial_, std::memory_order_release);
    if (got == 0) return;
  } else {
    int64_t heard = consumed_;
    if (outputRate_ != sourceRate_) heard = consumed_ * sourceRate_ / outputRate_;
    position_.store(std::min(audioSegmentStart_ + heard, std::max<int64_t>(length, 0)),
                    std::memory_order_relaxed);
  }
  chain_.process(block_.data(), frames);
  pushHistory(block_.data(), frames);
  applyGains(block_.data(), out, frames);
}

void Stream::pushHistory(const float* frames, int count) noexcept {
  uint32_t write = historyWrite_.load(std::memory_order_relaxed);
  for (int i = 0; i < count; ++i) {
    const float mono = 0.5f * (frames[2 * i] + frames[2 * i + 1]);
    history_[write % kHistoryFrames].store(mono, std::memory_order_relaxed);
    ++write;
  }
  historyWrite_.store(write % kHistoryFrames, std::memory_order_release);
}

void Stream::applyGains(const float* in, float* out, int frames) noexcept {
  const float targetVolume = targetVolume_.load(std::memory_order_relaxed);
  const float targetPan = targetPan_.load(std::memory_order_relaxed);
  constexpr float kStep = 1.0f / kRampFrames;
  // Nothing was heard before the first block, so it starts at the values set by then.
  if (!gainsStarted_) {
    volume_ = targetVolume;
    pan_ = targetPan;
    gainsStarted_ = true;
  }
  for (int i = 0; i < frames; ++i) {
    volume_ += std::clamp(targetVolume - volume_, -kStep, kStep);
    pan_ += std::clamp(targetPan - pan_, -kStep, kStep);
    // A balance control: the far side fades out, the near side stays at full level.
    const float left = volume_ * std::min(1.0f, 1.0f - pan_);
    const float right = volume_ * std::min(1.0f, 1.0f + pan_);
    out[2 * i] += in[2 * i] * left;
    out[2 * i + 1] += in[2 * i + 1] * right;
  }
}

}  // namespace audio
