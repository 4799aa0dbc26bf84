#include "audio/output/Output.h"
#include "audio/output/SdlOutput.h"

namespace audio {

std::unique_ptr<Output> makeDefaultOutput(int sampleRate, bool& silent) {
  auto sdl = SdlOutput::open(sampleRate);
  silent = !sdl->hasDevice();
  return sdl;
}

}  // namespace audio
