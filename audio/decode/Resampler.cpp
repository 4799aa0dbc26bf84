#include "audio/decode/Resampler.h"

#include "audio/decode/FfmpegLibraries.h"

namespace audio {

namespace {

class SwrResampler : public Resampler {
 public:
  SwrResampler(int inputRate, int outputRate) : inputRate_(inputRate), outputRate_(outputRate) {}
  ~SwrResampler() override { ffmpeg().swr_free(&context_); }

  bool init() {
    AVChannelLayout stereo{};
    ffmpeg().av_channel_layout_default(&stereo, 2);
    const int result = ffmpeg().swr_alloc_set_opts2(&context_, &stereo, AV_SAMPLE_FMT_FLT, outputRate_,
                                           &stereo, AV_SAMPLE_FMT_FLT, inputRate_, 0, nullptr);
    ffmpeg().av_channel_layout_uninit(&stereo);
    return result >= 0 && ffmpeg().swr_init(context_) >= 0;
  }

  int maxOutput(int inputFrames) const override {
    // swr_get_out_samples() takes a non-const context; this bound is what it computes,
    // plus room for the samples the filter holds back.
    return static_cast<int>(static_cast<int64_t>(inputFrames + kFilterSlack) * outputRate_ /
                            inputRate_) + kFilterSlack;
  }

  int process(const float* in, int frames, float* out, int outCapacity) override {
    auto* outPlane = reinterpret_cast<uint8_t*>(out);
    const auto* inPlane = reinterpret_cast<const uint8_t*>(in);
    const int written = ffmpeg().swr_convert(context_, &outPlane, outCapacity, &inPlane, frames);
    return written < 0 ? 0 : written;
  }

  int flush(float* out, int outCapacity) override {
    auto* outPlane = reinterpret_cast<uint8_t*>(out);
    const int written = ffmpeg().swr_convert(context_, &outPlane, outCapacity, nullptr, 0);
    return written < 0 ? 0 : written;
  }

  void reset() override {
    ffmpeg().swr_close(context_);
    ffmpeg().swr_init(context_);
  }

 private:
  static constexpr int kFilterSlack = 256;
  int inputRate_;
  int outputRate_;
  SwrContext* context_ = nullptr;
};

}  // namespace

std::unique_ptr<Resampler> Resampler::create(int inputRate, int outputRate) {
  if (inputRate <= 0 || outputRate <= 0 || FfmpegLibraries::load() == nullptr) return nullptr;
  auto resampler = std::make_unique<SwrResampler>(inputRate, outputRate);
  if (!resampler->init()) return nullptr;
  return resampler;
}

}  // namespace audio
