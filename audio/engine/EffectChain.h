#pragma once

// A stream's chain of effect instances. The controlling thread adds and removes instances;
// the audio thread runs the chain on every block. Structural changes are built off the audio
// thread and published with one atomic swap, and an instance's memory is freed only after the
// audio thread has moved past it.
//
// A change is a crossfade between the chain's output without it and with it, never a fade
// through silence. An instance that is added first runs unheard for a warm-up, on an input
// that rises from silence (so that a delay line that starts empty does not burst in with the
// middle of a waveform), until its output has built up: a reverb's first reflections, a
// filter's settling. Then its output takes over from its input within a few milliseconds.
// One that is removed hands back to its input just as quickly. Instances added together (the
// ten bands of an equaliser) warm up and fade in as one group, so that a group that changes
// nothing yet (bands at 0 dB) changes nothing while it comes in either.
//
// While the chain rests (before it first runs, and after rest()) nothing of it is heard, so
// changes made meanwhile take effect at once when it runs again.

#include <cstdint>
#include <memory>
#include <span>

#include "audio/dsp/Effect.h"

namespace audio {

class EffectChain {
 public:
  // How long an instance that is added runs unheard: by then a reverb's output has built up
  // to its level (its first reflection comes after 30 ms), and the narrowest low equaliser
  // band has settled to within a few hundredths of a decibel.
  static constexpr double kWarmUpSeconds = 0.15;

  EffectChain();
  ~EffectChain();
  EffectChain(const EffectChain&) = delete;
  EffectChain& operator=(const EffectChain&) = delete;

  // Controlling thread, before the first process(). May allocate.
  void prepare(int sampleRate, int channels, int maxFrames);

  // Controlling thread. Adds a new instance of `type` under the caller's `handle`; higher
  // priority runs earlier, equal priorities in the order added. False for an unknown type.
  bool add(uint32_t handle, FxType type, int priority);
  // The same for one instance per handle, all in one change that fades in as a whole.
  // Nothing is added when any handle is in use or the type is unknown.
  bool add(std::span<const uint32_t> handles, FxType type, int priority);
  // Controlling thread. Removes the instance with that handle; false when there is none.
  bool remove(uint32_t handle);
  // Controlling thread. The live instance with that handle, or nullptr. Its parameter
  // calls are safe while the audio thread runs it.
  Effect* find(uint32_t handle) const;
  bool empty() const;

  // Audio thread. Runs every instance in order on the block, in place.
  void process(float* interleaved, int frames) noexcept;
  // Audio thread. Whether the chain holds no instance, so that its output is its input.
  bool holdsNothing() const noexcept;
  // Audio thread. The chain's sound has died away and it stops until the next process():
  // every instance forgets what it heard.
  void rest() noexcept;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace audio
