#include "audio/decode/FfmpegDecoder.h"

extern "C" {
#include <libavutil/intreadwrite.h>
}

#include <algorithm>
#include <cstring>

#include "audio/decode/ContainerSniff.h"
#include "audio/decode/FfmpegLibraries.h"
#include "audio/decode/LocalFile.h"

namespace audio {

// Plain audio containers only. Left out on purpose: playlists (hls, concat), image and
// text pseudo-formats, and anything else that reads beyond the one file it was given.
const char* const FfmpegDecoder::kAllowedDemuxers =
    "wav,w64,aiff,mp3,ogg,flac,mov,mp4,m4a,aac,matroska,webm,asf,wv,ape,tta,au,caf,ac3,eac3,"
    "dts,mpc,mpc8,amr,voc";

namespace {

// Decoded output is clamped to sane shapes so that a corrupted header cannot ask for
// absurd buffers.
constexpr int kMaxChannels = 64;
constexpr int kMinRate = 1000;
constexpr int kMaxRate = 768000;
// Decoding starts this far before a seek target, so that codecs that need earlier
// packets (overlapped transforms, bit reservoirs) produce exact samples at the target.
constexpr double kSeekPrerollSeconds = 0.25;
constexpr int kMaxSeekRetries = 3;
constexpr double kOggEndMarginSeconds = 5.0;
// Frames without any timestamp after a seek before the decoder gives up placing them.
constexpr int kMaxUntimedFrames = 64;

bool demuxerAllowed(const AVInputFormat* format) {
  return format != nullptr &&
         ffmpeg().av_match_list(format->name, FfmpegDecoder::kAllowedDemuxers, ',') > 0;
}

uint64_t layoutHash(const AVChannelLayout& layout) {
  return (static_cast<uint64_t>(layout.order) << 56) ^
         (static_cast<uint64_t>(layout.nb_channels) << 48) ^ layout.u.mask;
}

}  // namespace

std::unique_ptr<Decoder> openDecoder(const std::string& path) { return FfmpegDecoder::open(path); }

void awaitDecoderLibraries() { FfmpegLibraries::awaitLoad(); }

std::unique_ptr<FfmpegDecoder> FfmpegDecoder::open(const std::string& path) {
  if (!isReadableRegularFile(path) || FfmpegLibraries::load() == nullptr) return nullptr;
  std::unique_ptr<FfmpegDecoder> decoder(new FfmpegDecoder());
  decoder->path_ = path;
  if (!decoder->openFile(path) || !decoder->openCodec()) return nullptr;
  decoder->estimateLength();
  // A file whose audio never decodes is refused here rather than playing as silence.
  if (!decoder->decodeNextFrame()) return nullptr;
  return decoder;
}

FfmpegDecoder::~FfmpegDecoder() {
  ffmpeg().swr_free(&converter_);
  ffmpeg().av_packet_free(&packet_);
  ffmpeg().av_frame_free(&frame_);
  ffmpeg().avcodec_free_context(&codec_);
  ffmpeg().avformat_close_input(&format_);
}

const char* FfmpegDecoder::demuxerName() const { return format_ != nullptr ? format_->iformat->name : ""; }

// FFmpeg gives the score of the probe that chose the demuxer, and none to a demuxer named.
bool FfmpegDecoder::demuxerProbed() const { return format_ != nullptr && format_->probe_score > 0; }

bool FfmpegDecoder::openFile(const std::string& path) {
  // The "file:" prefix keeps a colon in the path from being read as another protocol.
  const std::string url = "file:" + path;
  const auto openInput = [&](const AVInputFormat* demuxer) {
    AVDictionary* options = nullptr;
    ffmpeg().av_dict_set(&options, "protocol_whitelist", "file", 0);
    ffmpeg().av_dict_set(&options, "format_whitelist", kAllowedDemuxers, 0);
    const int opened = ffmpeg().avformat_open_input(&format_, url.c_str(), demuxer, &options);
    ffmpeg().av_dict_free(&options);
    return opened >= 0;
  };
  // A container its first bytes name goes straight to its demuxer; any other file, or one
  // that demuxer refuses, is probed by all of them.
  const char* named = sniffDemuxer(path);
  const AVInputFormat* demuxer = named != nullptr ? ffmpeg().av_find_input_format(named) : nullptr;
  if (!(demuxer != nullptr && openInput(demuxer)) && !openInput(nullptr)) return false;
  if (!demuxerAllowed(format_->iformat)) return false;
  isOgg_ = std::strcmp(format_->iformat->name, "ogg") == 0;
  exactContainer_ = isOgg_ || std::strncmp(format_->iformat->name, "mov", 3) == 0;
  if (ffmpeg().avformat_find_stream_info(format_, nullptr) < 0) return false;
  const AVCodec* codec = nullptr;
  streamIndex_ = ffmpeg().av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
  if (streamIndex_ < 0 || codec == nullptr) return false;
  for (unsigned i = 0; i < format_->nb_streams; ++i) {
    if (static_cast<int>(i) != streamIndex_) format_->streams[i]->discard = AVDISCARD_ALL;
  }
  codec_ = ffmpeg().avcodec_alloc_context3(codec);
  return codec_ != nullptr;
}

bool FfmpegDecoder::openCodec() {
  AVStream* stream = format_->streams[streamIndex_];
  if (ffmpeg().avcodec_parameters_to_context(codec_, stream->codecpar) < 0) return false;
  codec_->pkt_timebase = stream->time_base;
  // FFmpeg's Ogg reader asks the Vorbis decoder to drop more at the end than the encoder
  // padded with. The decoder is told to leave trimming to us: the start is trimmed as asked,
  // the end where the last granule says the stream ends.
  manualSkip_ = isOgg_ && codec_->codec_id == AV_CODEC_ID_VORBIS;
  if (manualSkip_) codec_->flags2 |= AV_CODEC_FLAG2_SKIP_MANUAL;
  if (ffmpeg().avcodec_open2(codec_, codec_->codec, nullptr) < 0) return false;
  // A file that changed since it was opened does not get to change the stream's shape.
  if (sampleRate_ != 0 && (sampleRate_ != codec_->sample_rate ||
                           channels_ != codec_->ch_layout.nb_channels)) {
    return false;
  }
  sampleRate_ = codec_->sample_rate;
  channels_ = codec_->ch_layout.nb_channels;
  if (sampleRate_ < kMinRate || sampleRate_ > kMaxRate) return false;
  if (channels_ < 1 || channels_ > kMaxChannels) return false;
  if (frame_ == nullptr) frame_ = ffmpeg().av_frame_alloc();
  if (packet_ == nullptr) packet_ = ffmpeg().av_packet_alloc();
  return frame_ != nullptr && packet_ != nullptr;
}

void FfmpegDecoder::estimateLength() {
  const AVStream* stream = format_->streams[streamIndex_];
  if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
    lengthFrames_ = ffmpeg().av_rescale_q(stream->duration, stream->time_base, AVRational{1, sampleRate_});
  } else if (format_->duration != AV_NOPTS_VALUE && format_->duration > 0) {
    lengthFrames_ = ffmpeg().av_rescale_q(format_->duration, AV_TIME_BASE_Q, AVRational{1, sampleRate_});
  }
  lengthFrames_ = std::max<int64_t>(lengthFrames_, 0);
  if (exactContainer_ && stream->duration != AV_NOPTS_VALUE && stream->duration > 0) containerEnd_ = lengthFrames_;
}

int FfmpegDecoder::read(float* out, int maxFrames) {
  int written = 0;
  while (written < maxFrames) {
    const size_t available = pending_.size() / kChannels - pendingOffset_;
    if (available == 0) {
      pending_.clear();
      pendingOffset_ = 0;
      if (!decodeNextFrame()) break;
      continue;
    }
    const size_t count = std::min<size_t>(available, static_cast<size_t>(maxFrames - written));
    std::memcpy(out + static_cast<size_t>(written) * kChannels,
                pending_.data() + pendingOffset_ * kChannels, count * kChannels * sizeof(float));
    pendingOffset_ += count;
    written += static_cast<int>(count);
  }
  return written;
}

bool FfmpegDecoder::decodeNextFrame() {
  while (!ended_) {
    if (!receiveFrame()) {
      // A timestamp seek that landed at the very end found nothing: go back further.
      if (seekTarget_ >= 0 && seekByTimestamp_ && decodedEnd_ < 0 && retrySeek()) continue;
      markEnd();
      return false;
    }
    const int64_t timestamp =
        frame_->pts != AV_NOPTS_VALUE ? frame_->pts : frame_->best_effort_timestamp;
    if (!startPtsKnown_ && timestamp != AV_NOPTS_VALUE) {
      startPts_ = timestamp;
      startPtsKnown_ = true;
    }
    // Counting frames is exact while decoding straight on; after a seek the timestamps say
    // where the decoder landed.
    // Packets inside a page or block may carry no timestamp; they follow the last one that
    // did.
    int64_t index = nextFrame_;
    if (seekTarget_ >= 0 && seekByTimestamp_) {
      index = seekCursor_;
      if (timestamp != AV_NOPTS_VALUE && startPtsKnown_) {
        index = ffmpeg().av_rescale_q(timestamp - startPts_, format_->streams[streamIndex_]->time_base,
                             AVRational{1, sampleRate_});
      } else if (index < 0) {
        index = ++untimedFrames_ > kMaxUntimedFrames ? seekTarget_ : -1;
      }
    }
    const int skip = startSkip();
    if (!convertFrame()) continue;
    if (skip > 0) {
      const size_t dropped = std::min(pending_.size(), static_cast<size_t>(skip) * kChannels);
      pending_.erase(pending_.begin(), pending_.begin() + static_cast<ptrdiff_t>(dropped));
      if (pending_.empty()) continue;
    }
    if (index < 0 && seekByTimestamp_ && seekTarget_ >= 0) {
      pending_.clear();
      continue;
    }
    if (!clipToKnownLength(index)) return false;
    decodedEnd_ = index + static_cast<int64_t>(pending_.size() / kChannels);
    seekCursor_ = decodedEnd_;
    if (seekTarget_ >= 0 && !seekByTimestamp_) nextFrame_ = decodedEnd_;
    if (seekTarget_ >= 0 && !trimToSeekTarget(index)) continue;
    if (seekTarget_ >= 0) {
      nextFrame_ = seekTarget_ + static_cast<int64_t>(pending_.size() / kChannels - pendingOffset_);
    } else {
      nextFrame_ += static_cast<int64_t>(pending_.size() / kChannels);
    }
    seekTarget_ = -1;
    if (pending_.size() / kChannels > pendingOffset_) return true;
  }
  return false;
}

bool FfmpegDecoder::receiveFrame() {
  for (;;) {
    const int received = ffmpeg().avcodec_receive_frame(codec_, frame_);
    if (received == 0) {
      if (frame_->nb_samples > 0) return true;
      continue;
    }
    if (received == AVERROR_EOF) return false;
    // Any other error is a broken frame: the decoder recovers on the next packet.
    if (flushing_) return false;
    const int readResult = ffmpeg().av_read_frame(format_, packet_);
    if (readResult < 0) {
      flushing_ = true;
      ffmpeg().avcodec_send_packet(codec_, nullptr);
      continue;
    }
    if (packet_->stream_index == streamIndex_) {
      // A packet the decoder rejects is skipped; damaged files play what can be decoded.
      ffmpeg().avcodec_send_packet(codec_, packet_);
    }
    ffmpeg().av_packet_unref(packet_);
  }
}

bool FfmpegDecoder::configureConverter() {
  const uint64_t hash = layoutHash(frame_->ch_layout);
  if (converter_ != nullptr && converterRate_ == frame_->sample_rate &&
      converterFormat_ == frame_->format && converterLayoutHash_ == hash) {
    return true;
  }
  ffmpeg().swr_free(&converter_);
  if (frame_->sample_rate < kMinRate || frame_->sample_rate > kMaxRate) return false;
  const int inChannels = frame_->ch_layout.nb_channels;
  if (inChannels < 1 || inChannels > kMaxChannels) return false;
  AVChannelLayout inLayout{};
  if (frame_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
    ffmpeg().av_channel_layout_default(&inLayout, inChannels);
  } else if (ffmpeg().av_channel_layout_copy(&inLayout, &frame_->ch_layout) < 0) {
    return false;
  }
  // Mono stays mono here and is copied to both sides afterwards at full level; wider
  // layouts are mixed down to stereo.
  AVChannelLayout outLayout{};
  ffmpeg().av_channel_layout_default(&outLayout, inChannels == 1 ? 1 : 2);
  const int result = ffmpeg().swr_alloc_set_opts2(&converter_, &outLayout, AV_SAMPLE_FMT_FLT, sampleRate_,
                                         &inLayout, static_cast<AVSampleFormat>(frame_->format),
                                         frame_->sample_rate, 0, nullptr);
  ffmpeg().av_channel_layout_uninit(&inLayout);
  ffmpeg().av_channel_layout_uninit(&outLayout);
  if (result < 0 || ffmpeg().swr_init(converter_) < 0) {
    ffmpeg().swr_free(&converter_);
    return false;
  }
  converterRate_ = frame_->sample_rate;
  converterFormat_ = frame_->format;
  converterLayoutHash_ = hash;
  return true;
}

bool FfmpegDecoder::convertFrame() {
  if (!configureConverter()) return false;
  const int inChannels = frame_->ch_layout.nb_channels;
  const int outChannels = inChannels == 1 ? 1 : 2;
  const int capacity = ffmpeg().swr_get_out_samples(converter_, frame_->nb_samples);
  if (capacity <= 0) return false;
  // Stereo converts straight into the frames read() hands out; mono goes through converted_
  // and is copied to both sides.
  std::vector<float>& target = outChannels == 2 ? pending_ : converted_;
  target.resize(static_cast<size_t>(capacity) * outChannels);
  auto* outPlane = reinterpret_cast<uint8_t*>(target.data());
  const int frames = ffmpeg().swr_convert(converter_, &outPlane, capacity,
                                 const_cast<const uint8_t**>(frame_->extended_data),
                                 frame_->nb_samples);
  pendingOffset_ = 0;
  if (frames <= 0) {
    pending_.clear();
    return false;
  }
  pending_.resize(static_cast<size_t>(frames) * kChannels);
  if (outChannels == 1) {
    for (int i = 0; i < frames; ++i) {
      pending_[2 * i] = pending_[2 * i + 1] = converted_[i];
    }
  }
  return true;
}

bool FfmpegDecoder::trimToSeekTarget(int64_t frameIndex) {
  const int64_t frames = static_cast<int64_t>(pending_.size() / kChannels);
  if (frameIndex > seekTarget_ && retrySeek()) return false;
  // After the last retry a late landing is taken as it is.
  frameIndex = std::min(frameIndex, seekTarget_);
  if (frameIndex + frames <= seekTarget_) {
    pending_.clear();
    pendingOffset_ = 0;
    return false;
  }
  pendingOffset_ = static_cast<size_t>(seekTarget_ - frameIndex);
  return true;
}

int FfmpegDecoder::startSkip() const {
  if (!manualSkip_) return 0;
  const AVFrameSideData* data = ffmpeg().av_frame_get_side_data(frame_, AV_FRAME_DATA_SKIP_SAMPLES);
  if (data == nullptr || data->size < 4) return 0;
  return static_cast<int>(std::min<uint32_t>(AV_RL32(data->data), static_cast<uint32_t>(frame_->nb_samples)));
}

bool FfmpegDecoder::clipToKnownLength(int64_t frameIndex) {
  // Once the end has been decoded, no later seek may play past it, whatever timestamps the
  // container hands out after the seek. A container that knows the exact length ends the
  // stream there too, cutting the codec's padding.
  const int64_t end = lengthExact_ ? lengthFrames_ : containerEnd_;
  if (end < 0) return true;
  const int64_t frames = static_cast<int64_t>(pending_.size() / kChannels);
  if (frameIndex + frames <= end) return true;
  const int64_t keep = end - frameIndex;
  if (keep > 0) {
    pending_.resize(static_cast<size_t>(keep) * kChannels);
    return true;
  }
  pending_.clear();
  pendingOffset_ = 0;
  seekTarget_ = -1;
  nextFrame_ = end;
  markEnd();
  return false;
}

bool FfmpegDecoder::retrySeek() {
  // The container landed after the target: go back further, at last to the start.
  if (seekRetries_ >= kMaxSeekRetries) return false;
  const int64_t target = seekTarget_;
  ++seekRetries_;
  const bool fromStart = seekRetries_ == kMaxSeekRetries;
  const int64_t preroll = fromStart ? target + 1 : static_cast<int64_t>(
      kSeekPrerollSeconds * sampleRate_ * (1 << (2 * seekRetries_)));
  if (!seekContainer(target, preroll)) markEnd();
  return true;
}

int64_t FfmpegDecoder::seekStart(int64_t frame, int64_t prerollFrames) const {
  // A seek that lands in one of the last pages of an Ogg stream can come out a few samples
  // early (FFmpeg's Ogg reader places such a page's packets by counting back from a granule
  // that the stream's end cuts short), once the end has been read. A seek near the end lands
  // before those pages instead and decodes on from there: a few seconds at most, where the
  // file's start would be the whole file.
  const int64_t from = frame - prerollFrames;
  const int64_t end = lengthExact_ ? lengthFrames_ : containerEnd_;
  if (!isOgg_ || end < 0) return from;
  return std::min(from, end - static_cast<int64_t>(kOggEndMarginSeconds * sampleRate_));
}

bool FfmpegDecoder::seekReopens(int64_t frame) const {
  // As seekContainer decides.
  return format_ == nullptr ||
         seekStart(std::max<int64_t>(frame, 0), static_cast<int64_t>(kSeekPrerollSeconds * sampleRate_)) <= 0;
}

bool FfmpegDecoder::seekContainer(int64_t frame, int64_t prerollFrames) {
  const int64_t from = seekStart(frame, prerollFrames);
  // Demuxers differ in how they replay the start of a stream after a seek (priming samples,
  // pre-skip); opening afresh decodes exactly what the first straight decode gave. A failed
  // reopen leaves no container: only another reopen can bring it back.
  const bool reopen = format_ == nullptr || from <= 0;
  const bool result = reopen ? rewind() : seekByTimestamp(from);
  ffmpeg().swr_free(&converter_);
  flushing_ = false;
  ended_ = false;
  pending_.clear();
  pendingOffset_ = 0;
  seekTarget_ = frame;
  seekCursor_ = -1;
  untimedFrames_ = 0;
  decodedEnd_ = -1;
  return result;
}

bool FfmpegDecoder::seekByTimestamp(int64_t from) {
  AVStream* stream = format_->streams[streamIndex_];
  int64_t timestamp = ffmpeg().av_rescale_q(from, AVRational{1, sampleRate_}, stream->time_base);
  if (startPtsKnown_) timestamp += startPts_;
  int result = ffmpeg().avformat_seek_file(format_, streamIndex_, INT64_MIN, timestamp, timestamp, 0);
  if (result < 0) result = ffmpeg().av_seek_frame(format_, streamIndex_, timestamp, AVSEEK_FLAG_BACKWARD);
  ffmpeg().avcodec_flush_buffers(codec_);
  seekByTimestamp_ = true;
  return result >= 0;
}

bool FfmpegDecoder::rewind() {
  ffmpeg().avcodec_free_context(&codec_);
  ffmpeg().avformat_close_input(&format_);
  seekByTimestamp_ = false;
  nextFrame_ = 0;
  return openFile(path_) && openCodec();
}

bool FfmpegDecoder::seek(int64_t frame) {
  frame = std::max<int64_t>(frame, 0);
  seekRetries_ = 0;
  if (!seekContainer(frame, static_cast<int64_t>(kSeekPrerollSeconds * sampleRate_))) {
    markEnd();
    return false;
  }
  // Decoding the first frame here puts the next read() exactly at the target; a target
  // past the real end leaves the decoder at its end.
  decodeNextFrame();
  return true;
}

void FfmpegDecoder::markEnd() {
  if (ended_) return;
  ended_ = true;
  // A seek past the real end finishes at the end of the decoded audio.
  if (seekTarget_ >= 0) {
    nextFrame_ = decodedEnd_ >= 0 ? std::min(decodedEnd_, seekTarget_)
                                  : std::min(seekTarget_, lengthFrames_);
  }
  seekTarget_ = -1;
  lengthFrames_ = nextFrame_;
  lengthExact_ = true;
  pending_.clear();
  pendingOffset_ = 0;
}

}  // namespace audio
