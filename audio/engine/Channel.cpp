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
      quietFramesToRest_(static_cast<int>(std::lround(kQuietSeconds * outputRate))),
      block_(static_cast<size_t>(kMaxBlockFrames) * kChannels) {
  chain_.prepare(outputRate, kChannels, kMaxBlockFrames);
}

// ---- Controlling thread ------------------------------------------------------------------

bool Channel::copyHistoryEndingAt(uint64_t end, float* out) const {
  if (end > historyEnd()) return false;
  // Before the first frame heard, the history is silence.
  const auto heard = static_cast<int>(std::min<uint64_t>(end, kHistoryFrames));
  const int silent = kHistoryFrames - heard;
  const uint64_t first = end - static_cast<uint64_t>(heard);
  std::fill(out, out + silent, 0.0f);
  for (int i = 0; i < heard; ++i) {
    out[silent + i] = history_[(first + static_cast<uint64_t>(i)) % kHistoryRingFrames].load(std::memory_order_relaxed);
  }
  // The audio thread writes a block at a time over the oldest frames: the copy holds if,
  // after it, a whole block more could still be written without reaching its first frame.
  std::atomic_thread_fence(std::memory_order_acquire);
  const uint64_t written = historyEnd_.load(std::memory_order_relaxed);
  return written + kMaxBlockFrames <= first + kHistoryRingFrames;
}

bool Channel::heardAsOf(std::chrono::steady_clock::time_point moment, Heard& out) const {
  const uint64_t count = heardCount_.load(std::memory_order_acquire);
  const int64_t momentNs = std::chrono::duration_cast<std::chrono::nanoseconds>(moment.time_since_epoch()).count();
  for (uint64_t report = count; report > 0 && count - report < kHeardReports; --report) {
    const HeardSlot& slot = heard_[(report - 1) % kHeardReports];
    const int64_t madeNs = slot.momentNs.load(std::memory_order_relaxed);
    const Heard read{std::chrono::steady_clock::time_point(std::chrono::nanoseconds(madeNs)),
                     slot.historyEnd.load(std::memory_order_relaxed), slot.handle.load(std::memory_order_relaxed),
                     slot.seekSerial.load(std::memory_order_relaxed), slot.position.load(std::memory_order_relaxed)};
    // The slot of report n is written again as report n + kHeardReports, which begins once
    // the count has reached that.
    std::atomic_thread_fence(std::memory_order_acquire);
    if (heardCount_.load(std::memory_order_relaxed) >= report - 1 + kHeardReports) return false;
    if (madeNs <= momentNs) {
      out = read;
      return true;
    }
  }
  return false;
}

// ---- Audio thread ------------------------------------------------------------------------

Stream* Channel::reading(const Feed& feed) const noexcept {
  for (Stream* stream : {feed.leaving, feed.next}) {
    if (stream != nullptr && readingHandle_ == stream->handle()) return stream;
  }
  return feed.source;
}

void Channel::hear(Stream* stream) noexcept {
  readingHandle_ = stream->handle();
  heardHandle_.store(readingHandle_);
}

bool Channel::wantsSound(const Stream* stream, bool released) const noexcept {
  return !released && !stream->released() && stream->playRequest() == PlayRequest::Playing &&
         !stream->seekPending() && !stream->ended();
}

// Whether the next stream can take over at the end of the source right now.
bool Channel::canFollow(const Feed& feed) const noexcept {
  const Stream* next = feed.next;
  return next != nullptr && feed.source->ended() && !next->released() && next->openState() == OpenState::Open &&
         next->playRequest() == PlayRequest::Playing && !next->seekPending() &&
         (next->readable() > 0 || next->endInRing());
}

// Whether a stream is asked to play and can, now or once its decoding thread has caught up:
// the output has to keep running for it.
bool Channel::expectsSound(const Feed& feed) const noexcept {
  if (feed.released) return false;
  const auto asked = [](const Stream* stream) {
    return stream != nullptr && !stream->released() && stream->openState() == OpenState::Open &&
           stream->playRequest() == PlayRequest::Playing;
  };
  const Stream* stream = reading(feed);
  if (!asked(stream)) return false;
  if (stream->seekPending() || !stream->ended()) return true;
  return stream == feed.source && asked(feed.next);
}

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

int Channel::framesToFadeOut(const Feed& feed) const noexcept {
  const Stream* stream = reading(feed);
  return stream != nullptr && envelope_ > 0 && !wantsSound(stream, feed.released) ? envelope_ : 0;
}

int Channel::fill(float* block, int frames, const Feed& feed, int startAfter) noexcept {
  Stream* stream = reading(feed);
  if (stream != nullptr && stream->handle() != readingHandle_) {
    // A stream of its own rather than one following another's end: it starts afresh.
    hear(stream);
    envelope_ = 0;
    lookedAhead_ = 0;
  }
  int filled = 0;
  while (stream != nullptr && filled < frames && stream->openState() == OpenState::Open) {
    if (envelope_ == 0) {
      if (stream != feed.source && stream->released()) {
        // A queued stream let go while it played has faded out: back to the source, which
        // has ended or been sent somewhere else.
        stream = feed.source;
        hear(stream);
        lookedAhead_ = 0;
        continue;
      }
      // Silent: the moment to take a seek's new position, or to start the next stream late.
      // A fade-out that only looked ahead leaves the position where it was.
      lookedAhead_ = 0;
      stream->takeSeekAnswer();
      if (stream == feed.source && canFollow(feed)) {
        stream = feed.next;
        hear(stream);
      }
      if (!wantsSound(stream, feed.released)) break;
      if (stream->atStart()) {
        if (filled < startAfter) {
          const int waited = std::min(startAfter, frames);
          std::fill(block + static_cast<ptrdiff_t>(filled) * kChannels, block + static_cast<ptrdiff_t>(waited) * kChannels,
                    0.0f);
          filled = waited;
          continue;
        }
        envelope_ = fadeFrames_;
      }
    }
    const bool fadingOut = !wantsSound(stream, feed.released);
    // A pause or a stop keeps the position where it was asked for: its fade-out only looks
    // ahead, and play resumes from there.
    const bool lookAhead = fadingOut && !feed.released && !stream->released() && !stream->seekPending();
    if (!lookAhead && lookedAhead_ > 0) {
      // Sound goes on (or a seek came) part-way through such a fade: what was heard is passed.
      stream->read(nullptr, lookedAhead_);
      lookedAhead_ = 0;
    }
    const int wanted = fadingOut ? std::min(frames - filled, envelope_) : frames - filled;
    float* at = block + static_cast<ptrdiff_t>(filled) * kChannels;
    const int got = lookAhead ? stream->peek(at, lookedAhead_, wanted) : stream->read(at, wanted);
    if (lookAhead) lookedAhead_ += got;
    fade(at, got, !fadingOut);
    filled += got;
    if (got == wanted) continue;
    // Short: the end of the stream, the start of a seek's new segment, or a dry ring.
    if (!fadingOut && stream == feed.source && canFollow(feed)) {
      // The next stream's first frame follows the last one of this: no fade between them.
      stream = feed.next;
      hear(stream);
      continue;
    }
    envelope_ = 0;
    if (!stream->seekPending()) break;
  }
  return filled;
}

void Channel::mix(float* out, int frames, const Feed& feed, int startAfter) noexcept {
  for (int done = 0; done < frames;) {
    const int count = std::min(kMaxBlockFrames, frames - done);
    // Of a long call (a clock driven by a caller), only the last frames can stay in the history.
    const int heardLater = frames - done - count;
    const int skipped = std::clamp(count + heardLater - kHistoryRingFrames, 0, count);
    mixBlock(out + static_cast<ptrdiff_t>(done) * kChannels, count, skipped, feed, std::max(startAfter - done, 0));
    done += count;
  }
  reportHeard(feed);
  const bool audible = envelope_ > 0 || chainRunning_;
  audible_.store(audible, std::memory_order_release);
  if (feed.released && !audible) fadedOut_.store(true, std::memory_order_release);
  busy_ = audible || expectsSound(feed);
}

void Channel::mixBlock(float* out, int frames, int unheardInHistory, const Feed& feed, int startAfter) noexcept {
  const bool wasSilent = envelope_ == 0;
  const int filled = fill(block_.data(), frames, feed, startAfter);
  const bool nothingIn = filled == 0 && wasSilent;
  if (nothingIn && (!chainRunning_ || chain_.holdsNothing())) {
    // Nothing heard now, and no effect to ring out: the effects rest, and the spectrum too once
    // its history has heard the silence, so that it falls to nothing rather than keep the
    // last sound for good.
    if (chainRunning_) chain_.rest();
    chainRunning_ = false;
    if (silentInHistory_ < kHistoryFrames) {
      const int silent = std::min(frames, kHistoryFrames - silentInHistory_);
      std::fill(block_.begin(), block_.begin() + static_cast<ptrdiff_t>(silent) * kChannels, 0.0f);
      pushHistory(block_.data(), silent);
      silentInHistory_ += silent;
    }
    return;
  }
  silentInHistory_ = 0;
  std::fill(block_.begin() + static_cast<ptrdiff_t>(filled) * kChannels,
            block_.begin() + static_cast<ptrdiff_t>(frames) * kChannels, 0.0f);
  chainRunning_ = true;
  chain_.process(block_.data(), frames);
  if (nothingIn) {
    ringOut(frames);
  } else {
    quietFrames_ = 0;
  }
  pushHistory(block_.data() + static_cast<ptrdiff_t>(unheardInHistory) * kChannels, frames - unheardInHistory);
  applyGains(block_.data(), out, frames);
}

void Channel::ringOut(int frames) noexcept {
  const auto loud = [](float sample) { return std::abs(sample) >= kSilence; };
  if (std::any_of(block_.begin(), block_.begin() + static_cast<ptrdiff_t>(frames) * kChannels, loud)) {
    quietFrames_ = 0;
    return;
  }
  quietFrames_ += frames;
  if (quietFrames_ < quietFramesToRest_) return;
  chain_.rest();
  chainRunning_ = false;
  quietFrames_ = 0;
}

bool Channel::readyFor(int frames, const Feed& feed) noexcept {
  Stream* stream = reading(feed);
  if (stream == nullptr || feed.released) return true;
  if (stream->openState() == OpenState::Opening) return false;
  if (stream->openState() == OpenState::Failed) return true;
  if (stream != feed.source && stream->released()) {
    // A queued stream let go fades out, and the source is heard again.
    stream = feed.source;
    if (stream->openState() != OpenState::Open) return stream->openState() == OpenState::Failed;
  }
  const bool playing = stream->playRequest() == PlayRequest::Playing;
  if (envelope_ == 0 && !playing) return true;
  // Room for a fade-out after these frames, whatever is asked next.
  const int needed = frames + fadeFrames_;
  if (!stream->readyFor(needed)) return false;
  const Stream* next = feed.next;
  const bool endsSoon = stream->ended() || (stream->endInRing() && stream->readable() < static_cast<size_t>(needed));
  if (stream != feed.source || next == nullptr || next->released() || !endsSoon ||
      next->playRequest() != PlayRequest::Playing) {
    return true;
  }
  // The next stream takes over within these frames: it must be ready too.
  if (next->openState() == OpenState::Opening) return false;
  return next->openState() == OpenState::Failed || next->readyFor(needed);
}

void Channel::pushHistory(const float* frames, int count) noexcept {
  uint64_t write = historyEnd_.load(std::memory_order_relaxed);
  // A reader that sees any of these frames then also sees the end published before them.
  std::atomic_thread_fence(std::memory_order_release);
  for (int i = 0; i < count; ++i) {
    const float mono = 0.5f * (frames[kChannels * i] + frames[kChannels * i + 1]);
    history_[write % kHistoryRingFrames].store(mono, std::memory_order_relaxed);
    ++write;
  }
  historyEnd_.store(write, std::memory_order_release);
}

void Channel::reportHeard(const Feed& feed) noexcept {
  const uint64_t end = historyEnd_.load(std::memory_order_relaxed);
  if (end == reportedEnd_) return;
  reportedEnd_ = end;
  const Stream* stream = reading(feed);
  const uint64_t report = heardCount_.load(std::memory_order_relaxed);
  HeardSlot& slot = heard_[report % kHeardReports];
  // A reader that sees any field of this report then also sees the count published before it.
  std::atomic_thread_fence(std::memory_order_release);
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  slot.momentNs.store(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count(), std::memory_order_relaxed);
  slot.historyEnd.store(end, std::memory_order_relaxed);
  slot.handle.store(stream != nullptr ? stream->handle() : 0, std::memory_order_relaxed);
  slot.seekSerial.store(stream != nullptr ? stream->seekSerial() : 0, std::memory_order_relaxed);
  slot.position.store(stream != nullptr ? stream->positionFrames() : 0, std::memory_order_relaxed);
  heardCount_.store(report + 1, std::memory_order_release);
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
