#include "audio/engine/Mixer.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "audio/engine/Stream.h"

namespace audio {

namespace {
// How often the decoding thread looks at the streams when nobody wakes it. A tenth of the
// half second it keeps ready, so a stream never runs dry.
constexpr auto kDecodeRound = std::chrono::milliseconds(10);
}  // namespace

Mixer::~Mixer() { stop(); }

void Mixer::start(int sampleRate) {
  stop();
  sampleRate_ = sampleRate;
  muted_ = false;
  std::lock_guard lock(workerMutex_);
  workerRunning_ = true;
  worker_ = std::thread([this] { decodeLoop(); });
}

void Mixer::stop() {
  {
    std::lock_guard lock(workerMutex_);
    workerRunning_ = false;
  }
  wakeWorker_.notify_all();
  workerProgress_.notify_all();
  if (worker_.joinable()) worker_.join();
  {
    std::lock_guard lock(workerMutex_);
    workerStreams_.clear();
  }
  current_.clear();
  // The output is stopped by now, so nothing reads the published list any more.
  delete published_.exchange(nullptr);
  for (const Retired& retired : retired_) delete retired.list;
  retired_.clear();
}

void Mixer::add(std::shared_ptr<Stream> stream) {
  {
    std::lock_guard lock(workerMutex_);
    workerStreams_.push_back(stream);
  }
  current_.push_back(std::move(stream));
  publish(new StreamList(current_));
  wake();
}

void Mixer::remove(uint32_t handle) {
  const auto matches = [handle](const std::shared_ptr<Stream>& s) { return s->handle() == handle; };
  {
    std::lock_guard lock(workerMutex_);
    std::erase_if(workerStreams_, matches);
  }
  std::erase_if(current_, matches);
  publish(new StreamList(current_));
}

void Mixer::publish(StreamList* list) {
  StreamList* old = published_.exchange(list);
  if (old != nullptr) retired_.push_back({old, renderEpoch_.load()});
  collectGarbage();
}

void Mixer::collectGarbage() {
  const uint64_t now = renderEpoch_.load();
  std::erase_if(retired_, [now](const Retired& retired) {
    const bool free = retired.epoch % 2 == 0 || retired.epoch != now;
    if (free) delete retired.list;
    return free;
  });
}

void Mixer::wake() {
  {
    std::lock_guard lock(workerMutex_);
    workerWoken_ = true;
  }
  wakeWorker_.notify_one();
}

void Mixer::render(float* out, int frames) noexcept {
  renderEpoch_.fetch_add(1);
  std::memset(out, 0, static_cast<size_t>(frames) * Output::kChannels * sizeof(float));
  const StreamList* streams = published_.load();
  bool playing = false;
  if (streams != nullptr) {
    const bool muted = muted_.load(std::memory_order_relaxed);
    for (const auto& stream : *streams) {
      if (muted) {
        stream->adoptSegment();
      } else {
        playing = playing || stream->playRequest() == PlayRequest::Playing;
        stream->mix(out, frames);
      }
    }
  }
  playing_.store(playing, std::memory_order_relaxed);
  renderEpoch_.fetch_add(1);
}

void Mixer::decodeLoop() {
  StreamList streams;
  std::unique_lock lock(workerMutex_);
  while (workerRunning_) {
    streams = workerStreams_;
    lock.unlock();
    bool worked = false;
    for (const auto& stream : streams) worked |= stream->service();
    // Streams released meanwhile are let go here, on this thread, not on the audio thread.
    streams.clear();
    lock.lock();
    if (dataWaiters_ > 0) workerProgress_.notify_all();
    if (worked) continue;
    // Only a playing stream uses up what was decoded. Without one nothing is needed until a
    // call from the controlling thread (a new stream, a seek, play) wakes this thread.
    const auto woken = [this] { return workerWoken_ || !workerRunning_; };
    if (std::any_of(workerStreams_.begin(), workerStreams_.end(),
                    [](const auto& stream) { return stream->playRequest() == PlayRequest::Playing; })) {
      wakeWorker_.wait_for(lock, kDecodeRound, woken);
    } else {
      wakeWorker_.wait(lock, woken);
    }
    workerWoken_ = false;
  }
}

void Mixer::awaitData(int frames) {
  std::unique_lock lock(workerMutex_);
  ++dataWaiters_;
  while (workerRunning_) {
    lock.unlock();
    bool ready = true;
    if (const StreamList* streams = published_.load()) {
      for (const auto& stream : *streams) ready = stream->readyFor(frames) && ready;
    }
    lock.lock();
    if (ready) break;
    // Taking an answered seek may have freed ring room: make sure the thread looks again.
    workerWoken_ = true;
    wakeWorker_.notify_one();
    workerProgress_.wait_for(lock, kDecodeRound);
  }
  --dataWaiters_;
}

}  // namespace audio
