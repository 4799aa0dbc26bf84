#include "audio/output/Output.h"
#include "audio/output/SdlOutput.h"
#include "audio/output/SilentOutput.h"

namespace audio {

std::unique_ptr<Output> makeDefaultOutput(int sampleRate, bool& silent) {
  if (auto sdl = SdlOutput::open(sampleRate)) {
    silent = false;
    return sdl;
  }
  silent = true;
  return std::make_unique<SilentOutput>(sampleRate);
}

}  // namespace audio
