#pragma once

// The FFmpeg decoder. Files are opened through FFmpeg's `file` protocol alone and only by
// demuxers of plain audio containers, so that no crafted file (a playlist, a concat list,
// an image sequence) can make the player read another file or open a connection.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/decode/Decoder.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;

namespace audio {

class FfmpegDecoder : public Decoder {
 public:
  // Demuxers allowed to open a file, as FFmpeg names them.
  static const char* const kAllowedDemuxers;

  static std::unique_ptr<FfmpegDecoder> open(const std::string& path);
  ~FfmpegDecoder() override;

  int sampleRate() const override { return sampleRate_; }
  int channels() const override { return channels_; }
  int64_t lengthFrames() const override { return lengthFrames_; }
  bool lengthExact() const override { return lengthExact_; }
  int read(float* out, int maxFrames) override;
  bool seek(int64_t frame) override;
  bool seekReopens(int64_t frame) const override;
  // Read from the open file (FfmpegTags.cpp).
  StreamTags tags() const override;
  int64_t position() const override {
    return nextFrame_ - static_cast<int64_t>(pending_.size() / kChannels - pendingOffset_);
  }

  // The demuxer that opened the file, by FFmpeg's name, and whether FFmpeg's probe chose it
  // rather than the container sniff naming it.
  const char* demuxerName() const;
  bool demuxerProbed() const;

 private:
  FfmpegDecoder() = default;
  bool openFile(const std::string& path);
  bool openCodec();
  void estimateLength();
  // Decodes the next frame into pending_; false at the end of the stream.
  bool decodeNextFrame();
  bool receiveFrame();
  bool convertFrame();
  bool configureConverter();
  // Drops the pending samples before the seek target; false when the seek overshot it.
  bool trimToSeekTarget(int64_t frameIndex);
  bool seekContainer(int64_t frame, int64_t prerollFrames);
  // Where decoding starts for a seek to `frame`; at or before 0, the file is opened afresh.
  int64_t seekStart(int64_t frame, int64_t prerollFrames) const;
  bool seekByTimestamp(int64_t fromFrame);
  bool rewind();
  // Seeks again from further back; false when the retries are used up.
  bool retrySeek();
  // Cuts pending_ at an end already known exactly; false when nothing is left.
  bool clipToKnownLength(int64_t frameIndex);
  // With manual trimming: the samples the codec asks to skip at the start of this frame.
  int startSkip() const;
  void markEnd();

  AVFormatContext* format_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  SwrContext* converter_ = nullptr;
  int converterRate_ = 0;
  int converterFormat_ = -1;
  uint64_t converterLayoutHash_ = 0;
  int streamIndex_ = -1;
  int sampleRate_ = 0;
  int channels_ = 0;
  int64_t lengthFrames_ = 0;
  bool lengthExact_ = false;
  // Timestamp of the first sample, in the stream's time base.
  int64_t startPts_ = 0;
  bool startPtsKnown_ = false;
  // One past the last frame decoded into pending_.
  int64_t nextFrame_ = 0;
  // While >= 0, a seek is in progress: samples before this frame are dropped.
  int64_t seekTarget_ = -1;
  // One past the last frame decoded since the last seek (-1 before any).
  int64_t decodedEnd_ = -1;
  // After a timestamp seek: where the next decoded frame starts (-1 until a timestamp says).
  int64_t seekCursor_ = -1;
  int untimedFrames_ = 0;
  // False after a rewind, when frames are counted from the start instead.
  bool seekByTimestamp_ = false;
  std::string path_;
  bool isOgg_ = false;
  // Ogg (the last page's granule) and MP4 (the edit list) give a stream's exact length.
  bool exactContainer_ = false;
  // Where an exact container says the stream ends, -1 when none does: the padding that
  // codecs fill their last frame with is cut there.
  int64_t containerEnd_ = -1;
  // The codec leaves its start and end trimming to this decoder (see openCodec).
  bool manualSkip_ = false;
  int seekRetries_ = 0;
  bool flushing_ = false;
  bool ended_ = false;
  std::vector<float> converted_;
  std::vector<float> pending_;  // Stereo frames ready for read().
  size_t pendingOffset_ = 0;    // In frames.
};

}  // namespace audio
