#pragma once

// Chorus and flanger: one effect, a copy of the input delayed by a slowly swept time and
// mixed back with the original. They differ only in their records and delay ranges: the
// chorus sweeps around up to 20 ms and thickens the sound like several voices together; the
// flanger sweeps within 4 ms, and its moving comb of notches gives the familiar jet sweep.

#include "audio/dsp/ModulatedDelay.h"
#include "audio/dsp/RecordEffect.h"

namespace audio::dsp {

// The longest base delay each record may ask for; at full depth the sweep reaches twice it.
template <class Record>
inline constexpr double kMaxBaseDelayMs = 0.0;
template <>
inline constexpr double kMaxBaseDelayMs<Dx8Chorus> = 20.0;
template <>
inline constexpr double kMaxBaseDelayMs<Dx8Flanger> = 4.0;

template <class Record, FxType kType>
class ModulatedDelayEffect final : public RecordEffect<Record, kType> {
 public:
  explicit ModulatedDelayEffect(const Record& defaults) noexcept : RecordEffect<Record, kType>(defaults) {}

  void prepare(int sampleRate, int channels, int maxFrames) override;
  void process(float* interleaved, int frames) noexcept override;
  void reset() noexcept override;

 protected:
  bool accepts(const Record& p) const noexcept override;

 private:
  using Change = typename RecordEffect<Record, kType>::Change;
  ModulatedDelay core_;
};

using Chorus = ModulatedDelayEffect<Dx8Chorus, FxType::Chorus>;
using Flanger = ModulatedDelayEffect<Dx8Flanger, FxType::Flanger>;

inline constexpr Dx8Chorus kChorusDefaults{50.0f, 10.0f, 25.0f, 1.1f, 1, 16.0f, 3};
inline constexpr Dx8Flanger kFlangerDefaults{50.0f, 100.0f, -50.0f, 0.25f, 1, 2.0f, 2};

}  // namespace audio::dsp
