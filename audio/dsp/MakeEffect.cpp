#include "audio/dsp/Compressor.h"
#include "audio/dsp/Distortion.h"
#include "audio/dsp/Echo.h"
#include "audio/dsp/Effect.h"
#include "audio/dsp/Gargle.h"
#include "audio/dsp/ModulatedDelayEffect.h"
#include "audio/dsp/ParamEq.h"
#include "audio/dsp/Reverb.h"

namespace audio {

std::unique_ptr<Effect> makeEffect(FxType type) {
  switch (type) {
    case FxType::Chorus: return std::make_unique<dsp::Chorus>(dsp::kChorusDefaults);
    case FxType::Compressor: return std::make_unique<dsp::Compressor>();
    case FxType::Distortion: return std::make_unique<dsp::Distortion>();
    case FxType::Echo: return std::make_unique<dsp::Echo>();
    case FxType::Flanger: return std::make_unique<dsp::Flanger>(dsp::kFlangerDefaults);
    case FxType::Gargle: return std::make_unique<dsp::Gargle>();
    case FxType::ParamEq: return std::make_unique<dsp::ParamEq>();
    case FxType::Reverb: return std::make_unique<dsp::Reverb>();
  }
  return nullptr;
}

}  // namespace audio
