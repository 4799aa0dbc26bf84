// libFuzzer target for opening media: any bytes, written to a file, either fail to open or
// open as a stream that plays, seeks and frees, through the manually clocked output.
//   cmake --build build-fuzz --target MediaFuzz && ./build-fuzz/fuzz/MediaFuzz -max_total_time=60

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "audio/engine/Engine.h"
#include "audio/output/ManualClockOutput.h"

namespace {

audio::Engine& engine() {
  static audio::Engine& instance = [&]() -> audio::Engine& {
    audio::Engine::setOutputFactory([](int rate) { return std::make_unique<audio::ManualClockOutput>(rate); });
    audio::Engine& e = audio::Engine::instance();
    e.init(-1, 44100);
    return e;
  }();
  return instance;
}

void require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "broken: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/media-fuzz-" + std::to_string(::getpid()) + ".bin";
  {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return 0;
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  audio::Engine& e = engine();
  auto* output = dynamic_cast<audio::ManualClockOutput*>(e.output());
  const audio::StreamHandle stream = e.streamCreateFile(path);
  require(stream != 0, "a stream is made while the file opens");
  if (!e.streamAwaitOpen(stream)) {
    require(e.getLength(stream) == -1, "a file that did not open is refused");
    require(e.streamFree(stream), "a file that did not open is let go");
    return 0;
  }

  const int64_t length = e.getLength(stream);
  require(length >= -1, "length is -1 or more");
  require(e.play(stream, true), "an open stream plays");
  for (int block = 0; block < 8 && e.isActive(stream) == audio::Activity::Playing; ++block) {
    output->render(1024);
    output->clearRecorded();
  }
  const int64_t position = e.getPosition(stream);
  // A damaged file's length is an estimate from its headers, so the position may pass it.
  require(position >= 0, "the position is not negative");
  if (length > 0) e.setPosition(stream, length / 2);
  output->render(256);
  output->clearRecorded();
  float spectrum[512];
  e.getFft1024(stream, spectrum);
  require(e.streamFree(stream), "an open stream frees");
  return 0;
}
