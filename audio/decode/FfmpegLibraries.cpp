#include "audio/decode/FfmpegLibraries.h"

#include <dlfcn.h>

#include <array>
#include <atomic>
#include <optional>

namespace audio {

namespace {

// The libraries by the names their headers' major versions give: a library of another
// version may differ in its calls and structures, and is not taken.
#define TEMBR_FFMPEG_SONAME(name, major) "lib" name ".so." AV_STRINGIFY(major)
constexpr std::array kSonames = {
    TEMBR_FFMPEG_SONAME("avutil", LIBAVUTIL_VERSION_MAJOR),
    TEMBR_FFMPEG_SONAME("avcodec", LIBAVCODEC_VERSION_MAJOR),
    TEMBR_FFMPEG_SONAME("avformat", LIBAVFORMAT_VERSION_MAJOR),
    TEMBR_FFMPEG_SONAME("swresample", LIBSWRESAMPLE_VERSION_MAJOR),
};
#undef TEMBR_FFMPEG_SONAME

class Loader {
 public:
  // The handles stay open for the rest of the run: decoders may live until the end.
  bool open() {
    for (std::size_t i = 0; i < kSonames.size(); ++i) {
      handles_[i] = ::dlopen(kSonames[i], RTLD_NOW | RTLD_LOCAL);
      if (handles_[i] == nullptr) return false;
    }
    return true;
  }

  // Sets `function` to the library function named `name`; false when none has it.
  template <typename Function>
  bool find(Function& function, const char* name) {
    for (void* handle : handles_) {
      if (void* symbol = ::dlsym(handle, name)) {
        function = reinterpret_cast<Function>(symbol);
        return true;
      }
    }
    return false;
  }

 private:
  std::array<void*, kSonames.size()> handles_{};
};

std::optional<FfmpegLibraries> loadLibraries() {
  Loader loader;
  if (!loader.open()) return std::nullopt;
  FfmpegLibraries f{};
#define TEMBR_FFMPEG_FIND(function) \
  if (!loader.find(f.function, #function)) return std::nullopt;
  TEMBR_FFMPEG_FUNCTIONS(TEMBR_FFMPEG_FIND)
#undef TEMBR_FFMPEG_FIND
  // The libraries' own messages would only clutter the terminal the player was started from.
  f.av_log_set_level(AV_LOG_QUIET);
  return f;
}

std::atomic<bool> loadBegun{false};

}  // namespace

const FfmpegLibraries* FfmpegLibraries::load() {
  loadBegun.store(true);
  static const std::optional<FfmpegLibraries> libraries = loadLibraries();
  return libraries ? &*libraries : nullptr;
}

// A second caller of load() waits for the first to finish.
void FfmpegLibraries::awaitLoad() {
  if (loadBegun.load()) load();
}

}  // namespace audio
