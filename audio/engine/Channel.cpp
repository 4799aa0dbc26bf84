#include "audio/engine/Channel.h"

#include <algorithm>
#include <cmath>

#include "audio/engine/Stream.h"

namespace audio {

namespace {

// Volume and pan glide to a new value over this many frames (about 6 ms), which removes
// clicks yet is far shorter than one device period.
constexpr int kGainRampFrames = 256;
constexpr int kChannels = FrameRing::kChannels;

}  // namespace

int Channel::fadeFrames(int outputRate) {
  return std::max(1, static_cast<int>(std::lround(kFadeSeconds * outputRate)));
}

Channel::Channel(int outputRate)
    : fadeFrames_(fadeFrames(outputRate)),
      block_(static_cast<size_t>(kMaxBlockFrames) * kChannels) {
  chain_.prepare(outputRate, kChannels, kMaxBlockFrames);
}

// ---- Controlling thread ------------------------------------------------------------------

void Channel::copyHistory(float* out) const {
  const uint32_t write = historyWrite_.load(std::memory_order_acquire);
  for (int i = 0; i < kHistoryFrames; ++i) {
    out[i] = history_[(write + i) % kHistoryFrames].load(std::memory_order_relaxed);
  }
}

// ---- Audio thread ------------------------------------------------------------------------

Stream* Channel::reading(Stream* source, Stream* next) const noexcept {
  if (next != nullptr && readingHandle_ == next->handle()) return next;
  return source;
}

bool Channel::wantsSound(Stream* stream, bool released) const noexcept {
  return !released && stream->playRequest() == PlayRequest::Playing && !stream->seekPending() && !stream->ended();
}

// Whether `next` can take over at the end of `source` right now.
bool Channel::canFollow(Stream* source, Stream* next) const noexcept {
  return next != nullptr && source->ended() && next->openState() == OpenState::Open &&
         next->playRequest() == PlayRequest::Playing && !next->seekPending() &&
         (next->readable() > 0 || next->endInRing());
}

int Channel::framesToSilence() const noexcept { return envelope_; }

void Channel::fade(float* frames, int count, bool in) noexcept {
  const int target = in ? fadeFrames_ : 0;
  const float scale = 1.0f / static_cast<float>(fadeFrames_);
  for (int i = 0; i < count && envelope_ != target; ++i) {
    envelope_ += in ? 1 : -1;
    const float gain = static_cast<float>(envelope_) * scale;
    frames[kChannels * i] *= gain;
    frames[kChannels * i + 1] *= gain;
  }
}

int Channel::fill(float* block, int frames, Stream* source, Stream* next, bool released) noexcept {
  Stream* stream = reading(source, next);
  if (stream != nullptr && stream->handle() != readingHandle_) {
    // A stream of its own rather than one following another's end: it starts afresh.
    readingHandle_ = stream->handle();
    envelope_ = 0;
    lookedAhead_ = 0;
  }
  const auto follow = [&] {
    stream = next;
    readingHandle_ = next->handle();
  };
  int filled = 0;
  while (stream != nullptr && filled < frames && stream->openState() == OpenState::Open) {
    if (envelope_ == 0) {
      // Silent: the moment to take a seek's new position, or to start the next stream late.
      // A fade-out that only looked ahead leaves the position where it was.
      lookedAhead_ = 0;
      stream->takeSeekAnswer();
      if (stream == source && canFollow(source, next)) follow();
      if (!wantsSound(stream, released)) break;
    }
    const bool fadingOut = !wantsSound(stream, released);
    // A pause or a stop keeps the position where it was asked for: its fade-out only looks
    // ahead, and play resumes from there.
    const bool lookAhead = fadingOut && !released && !stream->seekPending();
    if (!lookAhead && lookedAhead_ > 0) {
      // Sound goes on (or a seek came) part-way through such a fade: what was heard is passed.
      stream->read(nullptr, lookedAhead_);
      lookedAhead_ = 0;
    }
    const int wanted = fadingOut ? std::min(frames - filled, framesToSilence()) : frames - filled;
    float* at = block + static_cast<ptrdiff_t>(filled) * kChannels;
    const int got = lookAhead ? stream->peek(at, lookedAhead_, wanted) : stream->read(at, wanted);
    if (lookAhead) lookedAhead_ += got;
    fade(at, got, !fadingOut);
    filled += got;
    if (got == wanted) continue;
    // Short: the end of the stream, the start of a seek's new segment, or a dry ring.
    if (!fadingOut && stream == source && canFollow(source, next)) {
      // The next stream's first frame follows the last one of this: no fade between them.
      follow();
      continue;
    }
    envelope_ = 0;
    if (!stream->seekPending()) break;
  }
  return filled;
}

void Channel::mix(float* out, int frames, Stream* source, Stream* next, bool released) noexcept {
  for (int done = 0; done < frames;) {
    const int count = std::min(kMaxBlockFrames, frames - done);
    // Of a long call (a clock driven by a caller), only the last frames can stay in the history.
    const int heardLater = frames - done - count;
    const int skipped = std::clamp(count + heardLater - kHistoryFrames, 0, count);
    mixBlock(out + static_cast<ptrdiff_t>(done) * kChannels, count, skipped, source, next, released);
    done += count;
  }
}

void Channel::mixBlock(float* out, int frames, int unheardInHistory, Stream* source, Stream* next,
                       bool released) noexcept {
  const bool wasSilent = envelope_ == 0;
  const int filled = fill(block_.data(), frames, source, next, released);
  if (released && envelope_ == 0) fadedOut_.store(true, std::memory_order_release);
  // Nothing heard now or before: the effects and the spectrum rest where they were.
  if (filled == 0 && wasSilent) return;
  std::fill(block_.begin() + static_cast<ptrdiff_t>(filled) * kChannels,
            block_.begin() + static_cast<ptrdiff_t>(frames) * kChannels, 0.0f);
  chain_.process(block_.data(), frames);
  pushHistory(block_.data() + static_cast<ptrdiff_t>(unheardInHistory) * kChannels, frames - unheardInHistory);
  applyGains(block_.data(), out, frames);
}

bool Channel::readyFor(int frames, Stream* source, Stream* next, bool released) noexcept {
  Stream* stream = reading(source, next);
  if (stream == nullptr || released) return true;
  if (stream->openState() == OpenState::Opening) return false;
  if (stream->openState() == OpenState::Failed) return true;
  const bool playing = stream->playRequest() == PlayRequest::Playing;
  if (envelope_ == 0 && !playing) return true;
  // Room for a fade-out after these frames, whatever is asked next.
  const int needed = frames + fadeFrames_;
  if (!stream->readyFor(needed)) return false;
  const bool endsSoon = stream->ended() || (stream->endInRing() && stream->readable() < static_cast<size_t>(needed));
  if (stream != source || next == nullptr || !endsSoon || next->playRequest() != PlayRequest::Playing) return true;
  // The next stream takes over within these frames: it must be ready too.
  if (next->openState() == OpenState::Opening) return false;
  return next->openState() == OpenState::Failed || next->readyFor(needed);
}

void Channel::pushHistory(const float* frames, int count) noexcept {
  uint32_t write = historyWrite_.load(std::memory_order_relaxed);
  for (int i = 0; i < count; ++i) {
    const float mono = 0.5f * (frames[kChannels * i] + frames[kChannels * i + 1]);
    history_[write % kHistoryFrames].store(mono, std::memory_order_relaxed);
    ++write;
  }
  historyWrite_.store(write % kHistoryFrames, std::memory_order_release);
  historyBlocks_.fetch_add(1, std::memory_order_release);
}

void Channel::applyGains(const float* in, float* out, int frames) noexcept {
  const float targetVolume = targetVolume_.load(std::memory_order_relaxed);
  const float targetPan = targetPan_.load(std::memory_order_relaxed);
  constexpr float kStep = 1.0f / kGainRampFrames;
  // Nothing was heard before the first block, so it starts at the values set by then.
  if (!gainsStarted_) {
    volume_ = targetVolume;
    pan_ = targetPan;
    gainsStarted_ = true;
  }
  int i = 0;
  for (; i < frames && (volume_ != targetVolume || pan_ != targetPan); ++i) {
    volume_ += std::clamp(targetVolume - volume_, -kStep, kStep);
    pan_ += std::clamp(targetPan - pan_, -kStep, kStep);
    // A balance control: the far side fades out, the near side stays at full level.
    const float left = volume_ * std::min(1.0f, 1.0f - pan_);
    const float right = volume_ * std::min(1.0f, 1.0f + pan_);
    out[kChannels * i] += in[kChannels * i] * left;
    out[kChannels * i + 1] += in[kChannels * i + 1] * right;
  }
  const float left = volume_ * std::min(1.0f, 1.0f - pan_);
  const float right = volume_ * std::min(1.0f, 1.0f + pan_);
  for (; i < frames; ++i) {
    out[kChannels * i] += in[kChannels * i] * left;
    out[kChannels * i + 1] += in[kChannels * i + 1] * right;
  }
}

}  // namespace audio
