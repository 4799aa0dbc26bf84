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

struct FfmpegLibraries {
  // Loads the libraries on the first call, from any thread; later calls return at once.
  // nullptr when a library or one of its functions is missing: then no file can be opened.
  static const FfmpegLibraries* load();

  decltype(&::av_log_set_level) av_log_set_level;
  decltype(&::av_match_list) av_match_list;
  decltype(&::av_dict_set) av_dict_set;
  decltype(&::av_dict_free) av_dict_free;
  decltype(&::av_rescale_q) av_rescale_q;
  decltype(&::av_frame_alloc) av_frame_alloc;
  decltype(&::av_frame_free) av_frame_free;
  decltype(&::av_frame_get_side_data) av_frame_get_side_data;
  decltype(&::av_channel_layout_default) av_channel_layout_default;
  decltype(&::av_channel_layout_copy) av_channel_layout_copy;
  decltype(&::av_channel_layout_uninit) av_channel_layout_uninit;

  decltype(&::avformat_open_input) avformat_open_input;
  decltype(&::avformat_find_stream_info) avformat_find_stream_info;
  decltype(&::avformat_close_input) avformat_close_input;
  decltype(&::avformat_seek_file) avformat_seek_file;
  decltype(&::av_find_best_stream) av_find_best_stream;
  decltype(&::av_read_frame) av_read_frame;
  decltype(&::av_seek_frame) av_seek_frame;

  decltype(&::avcodec_alloc_context3) avcodec_alloc_context3;
  decltype(&::avcodec_free_context) avcodec_free_context;
  decltype(&::avcodec_parameters_to_context) avcodec_parameters_to_context;
  decltype(&::avcodec_open2) avcodec_open2;
  decltype(&::avcodec_send_packet) avcodec_send_packet;
  decltype(&::avcodec_receive_frame) avcodec_receive_frame;
  decltype(&::avcodec_flush_buffers) avcodec_flush_buffers;
  decltype(&::av_packet_alloc) av_packet_alloc;
  decltype(&::av_packet_free) av_packet_free;
  decltype(&::av_packet_unref) av_packet_unref;

  decltype(&::swr_alloc_set_opts2) swr_alloc_set_opts2;
  decltype(&::swr_init) swr_init;
  decltype(&::swr_close) swr_close;
  decltype(&::swr_free) swr_free;
  decltype(&::swr_convert) swr_convert;
  decltype(&::swr_get_out_samples) swr_get_out_samples;
};

}  // namespace audio
