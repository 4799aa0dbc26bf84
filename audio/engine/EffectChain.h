#pragma once

// A stream's chain of effect instances. The controlling thread adds and removes instances;
// the audio thread runs the chain on every block. Structural changes are built off the audio
// thread and published with one atomic swap; instances that are added fade in and one that
// is removed fades out over a few milliseconds, and its memory is freed only after the audio
// thread has moved past it.
//
// Instances added together (the ten bands of an equaliser) fade in as one: neighbours in the
// chain run as a group on the rising input and the group's difference from its input is
// added, so that a group that changes nothing yet (bands at 0 dB) changes nothing while it
// fades in either.

#include <cstdint>
#include <memory>
#include <span>

#include "audio/dsp/Effect.h"

namespace audio {

class EffectChain {
 public:
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
  // Audio thread. Clears every instance's state (after a seek, say).
  void reset() noexcept;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace audio
