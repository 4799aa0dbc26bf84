#pragma once

// A decoder that hands every call on to a real one, for tests that watch which thread makes a
// call, or make one of them stall as a file that stopped answering would.

#include <memory>
#include <utility>

#include "audio/decode/Decoder.h"

namespace fixtures {

class ForwardingDecoder : public audio::Decoder {
 public:
  explicit ForwardingDecoder(std::unique_ptr<audio::Decoder> inner) : inner_(std::move(inner)) {}

  int sampleRate() const override { return inner_->sampleRate(); }
  int channels() const override { return inner_->channels(); }
  int64_t lengthFrames() const override { return inner_->lengthFrames(); }
  bool lengthExact() const override { return inner_->lengthExact(); }
  int read(float* out, int maxFrames) override { return inner_->read(out, maxFrames); }
  bool seek(int64_t frame) override { return inner_->seek(frame); }
  bool seekReopens(int64_t frame) const override { return inner_->seekReopens(frame); }
  int64_t position() const override { return inner_->position(); }

 private:
  std::unique_ptr<audio::Decoder> inner_;
};

}  // namespace fixtures
