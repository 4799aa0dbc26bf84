#pragma once

// What a stream sounds through on its way to the output: its effect chain, the spectrum
// history, volume and pan, and the short fades that keep every transport change free of
// clicks. A channel plays one stream and may have the next one queued behind it; at the
// first stream's natural end the channel goes on with the next in the same block, so the
// next stream's first sample follows the last one of the first (gapless), through the same
// effects and at the same volume.
//
// - The controlling thread sets volume and pan (atomics), changes the chain (EffectChain)
//   and copies the spectrum history.
// - The audio thread mixes the channel; the mixer hands it the streams to play.
//
// The fades: whenever sound starts (play, resume, the new position after a seek, a new
// stream) it fades in over kFadeSeconds; whenever it should stop (pause, stop, a seek, the
// channel released) it fades out over the same time, reading on from where it was, and only
// then stops. A seek is taken once the old position has faded out. A pause or a stop only
// looks ahead for its fade-out, so the position stays where it was asked for and play
// resumes there.

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "audio/engine/EffectChain.h"

namespace audio {

class Stream;

class Channel {
 public:
  static constexpr int kHistoryFrames = 1024;
  // The audio thread works in blocks of at most this many frames.
  static constexpr int kMaxBlockFrames = 512;
  static constexpr double kFadeSeconds = 0.005;

  // The length of a fade at `outputRate`, in frames.
  static int fadeFrames(int outputRate);

  explicit Channel(int outputRate);
  Channel(const Channel&) = delete;
  Channel& operator=(const Channel&) = delete;

  EffectChain& chain() { return chain_; }

  // Controlling thread.
  void setVolume(float volume) { targetVolume_.store(volume, std::memory_order_relaxed); }
  void setPan(float pan) { targetPan_.store(pan, std::memory_order_relaxed); }
  float volume() const { return targetVolume_.load(std::memory_order_relaxed); }
  float pan() const { return targetPan_.load(std::memory_order_relaxed); }
  // Copies the last kHistoryFrames mono frames heard, oldest first.
  void copyHistory(float* out) const;
  // Counts the blocks added to the history: while it stands, so does the history.
  uint32_t historyGeneration() const { return historyBlocks_.load(std::memory_order_acquire); }
  // Whether a released channel has faded out, so that nothing of it can be heard any more.
  bool fadedOut() const { return fadedOut_.load(std::memory_order_acquire); }

  // Audio thread. Adds `frames` frames of `source`, and of `next` after the natural end of
  // `source`, to `out`. A released channel fades out and stays silent.
  void mix(float* out, int frames, Stream* source, Stream* next, bool released) noexcept;
  // Whether the next `frames` frames can be mixed without running dry, with room for a
  // fade-out after them. For clocks driven by a caller only.
  bool readyFor(int frames, Stream* source, Stream* next, bool released) noexcept;
  // Whether anything can still be heard: sound, or a fade on its way out.
  bool sounding() const noexcept { return envelope_ > 0; }

 private:
  Stream* reading(Stream* source, Stream* next) const noexcept;
  bool wantsSound(Stream* stream, bool released) const noexcept;
  bool canFollow(Stream* source, Stream* next) const noexcept;
  int fill(float* block, int frames, Stream* source, Stream* next, bool released) noexcept;
  void fade(float* frames, int count, bool in) noexcept;
  int framesToSilence() const noexcept;
  // Mixes one block; the history skips its first `unheardInHistory` frames, which later
  // frames of the same call push out of it anyway.
  void mixBlock(float* out, int frames, int unheardInHistory, Stream* source, Stream* next, bool released) noexcept;
  void pushHistory(const float* frames, int count) noexcept;
  void applyGains(const float* in, float* out, int frames) noexcept;

  EffectChain chain_;
  const int fadeFrames_;

  // Controlling thread to the audio thread.
  std::atomic<float> targetVolume_{1.0f};
  std::atomic<float> targetPan_{0.0f};

  // Audio thread to the controlling thread.
  std::array<std::atomic<float>, kHistoryFrames> history_{};
  std::atomic<uint32_t> historyWrite_{0};
  std::atomic<uint32_t> historyBlocks_{0};
  std::atomic<bool> fadedOut_{false};

  // Audio thread only.
  uint32_t readingHandle_ = 0;  // the stream being read, by its handle, which is never reused
  int envelope_ = 0;            // the fades' gain in steps, 0 (silent) to fadeFrames_ (whole)
  int lookedAhead_ = 0;         // frames a pause's fade-out has heard without taking them
  float volume_ = 1.0f;
  float pan_ = 0.0f;
  bool gainsStarted_ = false;
  std::vector<float> block_;
};

}  // namespace audio
