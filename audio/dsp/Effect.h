#pragma once

// The common shape of every effect processor: prepared off the audio thread, then run on
// interleaved float blocks by the audio thread.

#include <memory>

#include "audio/dsp/EffectParams.h"

namespace audio {

class Effect {
 public:
  virtual ~Effect() = default;

  virtual FxType type() const noexcept = 0;

  // Any thread but the audio thread, before the first process(). Sizes every buffer for the
  // given rate, channel count (1 or 2) and largest block; may allocate.
  virtual void prepare(int sampleRate, int channels, int maxFrames) = 0;

  // Audio thread only. Processes `frames` interleaved frames in place (any count up to the
  // prepared maximum, including 0). Never allocates, locks or touches files.
  virtual void process(float* interleaved, int frames) noexcept = 0;

  // Audio thread only. Clears delay lines and filter state.
  virtual void reset() noexcept = 0;

  // Any thread. The current parameter record, held as the alternative matching type().
  virtual EffectRecord parameters() const noexcept = 0;

  // Any thread. Takes a whole record when it is this effect's kind and every field lies in
  // the effect's accepted range, and returns true; otherwise changes nothing and returns
  // false. The audio thread picks the new values up at its next block and glides to them.
  virtual bool setParameters(const EffectRecord& record) noexcept = 0;
};

// Makes a processor of the given type with its default parameters, or nullptr for a type
// number that names no effect.
std::unique_ptr<Effect> makeEffect(FxType type);

}  // namespace audio
