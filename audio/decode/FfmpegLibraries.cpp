#include "audio/decode/FfmpegLibraries.h"

#include <dlfcn.h>

#include <array>
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
#define TEMBR_FIND(function) \
  if (!loader.find(f.function, #function)) return std::nullopt
  TEMBR_FIND(av_log_set_level);
  TEMBR_FIND(av_match_list);
  TEMBR_FIND(av_dict_set);
  TEMBR_FIND(av_dict_free);
  TEMBR_FIND(av_rescale_q);
  TEMBR_FIND(av_frame_alloc);
  TEMBR_FIND(av_frame_free);
  TEMBR_FIND(av_frame_get_side_data);
  TEMBR_FIND(av_channel_layout_default);
  TEMBR_FIND(av_channel_layout_copy);
  TEMBR_FIND(av_channel_layout_uninit);
  TEMBR_FIND(avformat_open_input);
  TEMBR_FIND(avformat_find_stream_info);
  TEMBR_FIND(avformat_close_input);
  TEMBR_FIND(avformat_seek_file);
  TEMBR_FIND(av_find_best_stream);
  TEMBR_FIND(av_read_frame);
  TEMBR_FIND(av_seek_frame);
  TEMBR_FIND(avcodec_alloc_context3);
  TEMBR_FIND(avcodec_free_context);
  TEMBR_FIND(avcodec_parameters_to_context);
  TEMBR_FIND(avcodec_open2);
  TEMBR_FIND(avcodec_send_packet);
  TEMBR_FIND(avcodec_receive_frame);
  TEMBR_FIND(avcodec_flush_buffers);
  TEMBR_FIND(av_packet_alloc);
  TEMBR_FIND(av_packet_free);
  TEMBR_FIND(av_packet_unref);
  TEMBR_FIND(swr_alloc_set_opts2);
  TEMBR_FIND(swr_init);
  TEMBR_FIND(swr_close);
  TEMBR_FIND(swr_free);
  TEMBR_FIND(swr_convert);
  TEMBR_FIND(swr_get_out_samples);
#undef TEMBR_FIND
  // The libraries' own messages would only clutter the terminal the player was started from.
  f.av_log_set_level(AV_LOG_QUIET);
  return f;
}

}  // namespace

const FfmpegLibraries* FfmpegLibraries::load() {
  static const std::optional<FfmpegLibraries> libraries = loadLibraries();
  return libraries ? &*libraries : nullptr;
}

}  // namespace audio
