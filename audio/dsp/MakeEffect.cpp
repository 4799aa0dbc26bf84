#include "audio/dsp/Effect.h"
#include "audio/dsp/Gargle.h"
#include "audio/dsp/ParamEq.h"

namespace audio {

std::unique_ptr<Effect> makeEffect(FxType type) {
  switch (type) {
    case FxType::ParamEq: return std::make_unique<dsp::ParamEq>();
    case FxType::Gargle: return std::make_unique<dsp::Gargle>();
    default: return nullptr;
  }
}

}  // namespace audio
