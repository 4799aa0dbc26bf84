#pragma once

// FFmpeg's libraries, loaded when the first file is opened rather than when the player
// starts. They and the many libraries they bring along are most of what the dynamic loader
// would otherwise do before the window could show, and a player started with nothing to play
// never needs them. The functions the decoder and the resampler call are looked up once,
// under the names and library versions of the headers they were built with.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avstring.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
#include <libswresample/swresample.h>
}

namespace audio {

// The functions the decoder and the resampler call, each under its own name.
#define TEMBR_FFMPEG_FUNCTIONS(X) \
  X(av_log_set_level) \
  X(av_match_list) \
  X(av_dict_set) \
  X(av_dict_free) \
  X(av_dict_get) \
  X(av_rescale_q) \
  X(av_frame_alloc) \
  X(av_frame_free) \
  X(av_frame_get_side_data) \
  X(av_channel_layout_default) \
  X(av_channel_layout_copy) \
  X(av_channel_layout_uninit) \
  X(av_find_input_format) \
  X(avformat_open_input) \
  X(avformat_find_stream_info) \
  X(avformat_close_input) \
  X(avformat_seek_file) \
  X(av_find_best_stream) \
  X(av_read_frame) \
  X(av_seek_frame) \
  X(avcodec_alloc_context3) \
  X(avcodec_free_context) \
  X(avcodec_parameters_to_context) \
  X(avcodec_open2) \
  X(avcodec_send_packet) \
  X(avcodec_receive_frame) \
  X(avcodec_flush_buffers) \
  X(av_packet_alloc) \
  X(av_packet_free) \
  X(av_packet_unref) \
  X(swr_alloc_set_opts2) \
  X(swr_init) \
  X(swr_close) \
  X(swr_free) \
  X(swr_convert) \
  X(swr_get_out_samples)

struct FfmpegLibraries {
  // Loads the libraries on the first call, from any thread; later calls return at once.
  // nullptr when a library or one of its functions is missing: then no file can be opened.
  static const FfmpegLibraries* load();
  // Waits for a load that another thread has begun; returns at once when none has.
  static void awaitLoad();

#define TEMBR_FFMPEG_FIELD(function) decltype(&::function) function;
  TEMBR_FFMPEG_FUNCTIONS(TEMBR_FFMPEG_FIELD)
#undef TEMBR_FFMPEG_FIELD
};

// FFmpeg's functions, for code that runs only once FfmpegLibraries::load() has found them.
inline const FfmpegLibraries& ffmpeg() { return *FfmpegLibraries::load(); }

}  // namespace audio
