#pragma once

// Parameter records of the eight standard effects, laid out field by field as the
// DirectX 8 effect structures are. Every field is a 32-bit float or integer.

#include <cstdint>
#include <variant>

namespace audio {

// Effect type numbers as audio libraries number the DirectX 8 effects.
enum class FxType : int32_t {
  Chorus = 0,
  Compressor = 1,
  Distortion = 2,
  Echo = 3,
  Flanger = 4,
  Gargle = 5,
  ParamEq = 7,
  Reverb = 8,
};

struct Dx8Chorus {
  float fWetDryMix;
  float fDepth;
  float fFeedback;
  float fFrequency;
  int32_t lWaveform;
  float fDelay;
  int32_t lPhase;
};

struct Dx8Compressor {
  float fGain;
  float fAttack;
  float fRelease;
  float fThreshold;
  float fRatio;
  float fPredelay;
};

struct Dx8Distortion {
  float fGain;
  float fEdge;
  float fPostEQCenterFrequency;
  float fPostEQBandwidth;
  float fPreLowpassCutoff;
};

struct Dx8Echo {
  float fWetDryMix;
  float fFeedback;
  float fLeftDelay;
  float fRightDelay;
  int32_t lPanDelay;
};

struct Dx8Flanger {
  float fWetDryMix;
  float fDepth;
  float fFeedback;
  float fFrequency;
  int32_t lWaveform;
  float fDelay;
  int32_t lPhase;
};

struct Dx8Gargle {
  uint32_t dwRateHz;
  uint32_t dwWaveShape;
};

struct Dx8ParamEq {
  float fCenter;
  float fBandwidth;
  float fGain;
};

struct Dx8Reverb {
  float fInGain;
  float fReverbMix;
  float fReverbTime;
  float fHighFreqRTRatio;
};

// Any one of the records above. Effects are read and written through it: the alternative held
// says which kind of effect the record belongs to.
using EffectRecord =
    std::variant<Dx8Chorus, Dx8Compressor, Dx8Distortion, Dx8Echo, Dx8Flanger, Dx8Gargle, Dx8ParamEq, Dx8Reverb>;

}  // namespace audio
