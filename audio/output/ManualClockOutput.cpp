#include "audio/output/ManualClockOutput.h"

#include <algorithm>

namespace audio {

ManualClockOutput::ManualClockOutput(int sampleRate) : sampleRate_(sampleRate) {}

void ManualClockOutput::start(RenderSource* source) {
  std::lock_guard lock(mutex_);
  source_ = source;
}

void ManualClockOutput::stop() {
  std::lock_guard lock(mutex_);
  source_ = nullptr;
}

bool ManualClockOutput::sourcePlaying() {
  std::lock_guard lock(mutex_);
  return source_ != nullptr && source_->playing();
}

const std::vector<float>& ManualClockOutput::render(int frames) {
  std::lock_guard lock(mutex_);
  frames = std::max(frames, 0);
  last_.assign(static_cast<size_t>(frames) * kChannels, 0.0f);
  // In pieces no longer than the decoding thread keeps ready, so none of them runs dry.
  for (int done = 0; source_ != nullptr && done < frames;) {
    const int count = std::min(kPieceFrames, frames - done);
    source_->awaitData(count);
    source_->render(last_.data() + static_cast<size_t>(done) * kChannels, count);
    done += count;
  }
  recorded_.insert(recorded_.end(), last_.begin(), last_.end());
  return last_;
}

}  // namespace audio
