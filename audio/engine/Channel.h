#pragma once

// What a stream sounds through on its way to the output: its effect chain, the spectrum
// history, volume and pan, and the short fades that keep every transport change free of
// clicks. A channel plays one stream and may have the next one queued behind it; at the
// first stream's natural end the channel goes on with the next in the same block, so the
// next stream's first sample follows the last one of the first (gapless), through the same
// effects and at the same volume.
//
// - The controlling thread sets volume and pan (atomics), changes the chain (EffectChain)
//   and copies the spectrum history, as it is or as it was a moment ago.
// - The audio thread mixes the channel; the mixer hands it the streams to play.
//
// The fades: whenever sound starts in the middle of a file (resume, the new position after a
// seek) it fades in over kFadeSeconds; sound that starts with a file's first frame is the
// file's own start and is left as it is. Whenever sound should stop (pause, stop, a seek, the
// channel or a stream it plays released) it fades out over the same time, reading on from
// where it was, and only then stops. A seek is taken once the old position has faded out. A
// pause or a stop only looks ahead for its fade-out, so the position stays where it was asked
// for and play resumes there.
//
// The effects go on running on the silence that follows, so that an echo or a reverb rings
// out, until their output has stayed below kSilence for kQuietSeconds; then the chain rests,
// forgetting what it heard, and the channel costs nothing until sound starts again.

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <vector>

#include "audio/engine/EffectChain.h"

namespace audio {

class Stream;

class Channel {
 public:
  static constexpr int kHistoryFrames = 1024;
  // The history keeps the frames of the last few device periods, so that the spectrum of a
  // moment shortly before can still be computed (about 190 ms at 44.1 kHz).
  static constexpr int kHistoryRingFrames = 8192;
  // Reports of what was heard, one per mix that added to the history, are kept this long.
  static constexpr int kHeardReports = 16;
  // The audio thread works in blocks of at most this many frames.
  static constexpr int kMaxBlockFrames = 512;
  static constexpr double kFadeSeconds = 0.005;
  // An effect's tail below this level (-90 dB) counts as rung out.
  static constexpr float kSilence = 3.1622777e-5f;
  // How long the effects' output must stay below kSilence, with nothing going in, before the
  // chain rests: the longest an effect holds sound that it has not let out yet (an echo's
  // longest delay), so that a quiet moment within a tail is not taken for its end.
  static constexpr double kQuietSeconds = 2.0;

  // What the mixer gives a channel to play: the stream it plays, the one queued behind it,
  // one that was queued and has been let go while it may still be heard, and whether the
  // channel itself has been let go.
  struct Feed {
    Stream* source = nullptr;
    Stream* next = nullptr;
    Stream* leaving = nullptr;
    bool released = false;
  };

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
  // The number of mono frames added to the history so far: while it stands, so does the
  // history.
  uint64_t historyEnd() const { return historyEnd_.load(std::memory_order_acquire); }
  // Copies the kHistoryFrames mono frames heard up to `end` (a historyEnd() of the past),
  // oldest first. False, with `out` undefined, when they are no longer kept.
  bool copyHistoryEndingAt(uint64_t end, float* out) const;

  // What the channel had heard by the end of a mix that added to its history: when, how far
  // the history had come, and the stream it was reading, with that stream's position and the
  // number of seeks asked of it by then.
  struct Heard {
    std::chrono::steady_clock::time_point moment;
    uint64_t historyEnd = 0;
    uint32_t handle = 0;
    uint32_t seekSerial = 0;
    int64_t position = 0;
  };
  // Controlling thread. The last report made at or before `moment`; false when there is none
  // or it is no longer kept.
  bool heardAsOf(std::chrono::steady_clock::time_point moment, Heard& out) const;

  // Any thread, as of the last block mixed. Whether anything of the channel can still be
  // heard: sound, a fade on its way out, or its effects ringing out.
  bool audible() const { return audible_.load(std::memory_order_acquire); }
  // Whether a released channel is done, nothing of it to be heard any more.
  bool fadedOut() const { return fadedOut_.load(std::memory_order_acquire); }
  // The handle of the stream the channel plays or last played (0 before the first).
  uint32_t heardHandle() const { return heardHandle_.load(); }

  // Audio thread. Frames that the channel's sound takes, from now, to fade out: 0 unless it
  // is to fade out.
  int framesToFadeOut(const Feed& feed) const noexcept;
  // Audio thread. Adds `frames` frames of what `feed` holds to `out`. A file that starts from
  // its first frame waits `startAfter` frames, while other channels fade out, so as not to
  // sound over them: its own start is not faded.
  void mix(float* out, int frames, const Feed& feed, int startAfter) noexcept;
  // Whether the next `frames` frames can be mixed without running dry, with room for a
  // fade-out after them. For clocks driven by a caller only.
  bool readyFor(int frames, const Feed& feed) noexcept;
  // Whether the channel, at the last mix, could be heard or had a stream asked to play that
  // can: while no channel is busy the output may rest.
  bool busy() const noexcept { return busy_; }

 private:
  Stream* reading(const Feed& feed) const noexcept;
  void hear(Stream* stream) noexcept;
  bool wantsSound(const Stream* stream, bool released) const noexcept;
  bool canFollow(const Feed& feed) const noexcept;
  bool expectsSound(const Feed& feed) const noexcept;
  int fill(float* block, int frames, const Feed& feed, int startAfter) noexcept;
  void fade(float* frames, int count, bool in) noexcept;
  // Mixes one block; the history skips its first `unheardInHistory` frames, which later
  // frames of the same call push out of it anyway.
  void mixBlock(float* out, int frames, int unheardInHistory, const Feed& feed, int startAfter) noexcept;
  // After a block of the chain's output with nothing going in: rests the chain once its
  // tail has stayed quiet long enough.
  void ringOut(int frames) noexcept;
  void pushHistory(const float* frames, int count) noexcept;
  // After a mix: reports what was heard, when the history has moved.
  void reportHeard(const Feed& feed) noexcept;
  void applyGains(const float* in, float* out, int frames) noexcept;

  EffectChain chain_;
  const int fadeFrames_;
  const int quietFramesToRest_;

  // Controlling thread to the audio thread.
  std::atomic<float> targetVolume_{1.0f};
  std::atomic<float> targetPan_{0.0f};

  // Audio thread to the others. A report's fields are written before the count that covers
  // it; a reader that finds the count moved past the report's slot meanwhile drops what it
  // read.
  struct HeardSlot {
    std::atomic<int64_t> momentNs{0};
    std::atomic<uint64_t> historyEnd{0};
    std::atomic<uint32_t> handle{0};
    std::atomic<uint32_t> seekSerial{0};
    std::atomic<int64_t> position{0};
  };
  std::array<std::atomic<float>, kHistoryRingFrames> history_{};
  std::atomic<uint64_t> historyEnd_{0};
  std::array<HeardSlot, kHeardReports> heard_{};
  std::atomic<uint64_t> heardCount_{0};
  std::atomic<bool> audible_{false};
  std::atomic<bool> fadedOut_{false};
  std::atomic<uint32_t> heardHandle_{0};

  // Audio thread only.
  uint32_t readingHandle_ = 0;  // the stream being read, by its handle, which is never reused
  int envelope_ = 0;            // the fades' gain in steps, 0 (silent) to fadeFrames_ (whole)
  int lookedAhead_ = 0;         // frames a pause's fade-out has heard without taking them
  bool chainRunning_ = false;   // the effects run: on sound, or ringing out after it
  int quietFrames_ = 0;         // frames the effects' output has been quiet while ringing out
  int silentInHistory_ = kHistoryFrames;  // frames of silence last added to the history
  uint64_t reportedEnd_ = 0;    // the history's end at the last report
  bool busy_ = false;
  float volume_ = 1.0f;
  float pan_ = 0.0f;
  bool gainsStarted_ = false;
  std::vector<float> block_;
};

}  // namespace audio
