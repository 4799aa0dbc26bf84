#include "audio/engine/Mixer.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "audio/engine/Channel.h"
#include "audio/engine/Stream.h"

namespace audio {

namespace {
// How often the decoding thread looks at the streams when nobody wakes it: a fifth of the
// half second it keeps ready, so a stream never runs dry, and each look tops up a tenth of a
// second at once rather than a frame at a time, ten wakeups a second instead of a hundred.
constexpr auto kDecodeRound = std::chrono::milliseconds(100);

// Whether the audio thread may be using up what was decoded for the stream: it is open,
// asked to play and has not played to its end. Only a call from another thread (play, a
// seek, a new stream, a file opened) makes a stream that is not so become so.
bool consumed(const Stream& stream) {
  return !stream.released() && stream.openState() == OpenState::Open &&
         stream.playRequest() == PlayRequest::Playing && !stream.endedAtCurrentRequest();
}

// A queued stream is used up only once the stream ahead of it has ended, which happens while
// that one is used up: a round of the decoding thread sees it.
template <class Feeding>
bool consumed(const Feeding& feeding) {
  return consumed(*feeding.source) ||
         (feeding.next && feeding.source->endedAtCurrentRequest() && consumed(*feeding.next));
}
}  // namespace

Mixer::~Mixer() { stop(); }

void Mixer::start(int sampleRate, Output* output) {
  stop();
  sampleRate_ = sampleRate;
  muted_ = false;
  muteGain_ = 1.0f;
  std::lock_guard lock(workerMutex_);
  output_ = output;
  workerRunning_ = true;
  workerEnded_ = false;
  const uint64_t generation = ++workerGeneration_;
  worker_ = std::thread([this, generation] { decodeLoop(generation); });
}

bool Mixer::stop(std::chrono::steady_clock::time_point deadline) {
  bool ended = true;
  {
    std::unique_lock lock(workerMutex_);
    workerRunning_ = false;
    output_ = nullptr;
    wakeWorker_.notify_all();
    workerProgress_.notify_all();
    const auto stopped = [this] { return workerEnded_; };
    if (worker_.joinable() && deadline == std::chrono::steady_clock::time_point::max()) {
      workerProgress_.wait(lock, stopped);
    } else if (worker_.joinable()) {
      ended = workerProgress_.wait_until(lock, deadline, stopped);
    }
  }
  if (ended && worker_.joinable()) worker_.join();
  if (!ended) worker_.detach();
  {
    std::lock_guard lock(workerMutex_);
    workerStreams_.clear();
  }
  // The output is stopped by now, so nothing reads the published list any more.
  routes_.clear();
  current_.store(nullptr);
  published_.reset();
  retired_.clear();
  return ended;
}

Channel::Feed Mixer::feed(const Route& route) {
  return {route.source.get(), route.next.get(), route.leaving.get(), route.released};
}

Mixer::Route* Mixer::find(const Channel* channel) {
  const auto it = std::find_if(routes_.begin(), routes_.end(),
                               [channel](const Route& r) { return r.channel.get() == channel; });
  return it == routes_.end() ? nullptr : &*it;
}

void Mixer::add(std::shared_ptr<Channel> channel, std::shared_ptr<Stream> source) {
  routes_.push_back({std::move(channel), std::move(source), nullptr, nullptr, false});
  publish();
}

void Mixer::setNext(const Channel* channel, std::shared_ptr<Stream> next) {
  Route* route = find(channel);
  if (route == nullptr) return;
  route->next = std::move(next);
  publish();
}

void Mixer::dropNext(const Channel* channel) {
  Route* route = find(channel);
  if (route == nullptr || !route->next) return;
  // The stream was released before this looks: from then on the channel does not go on into
  // it, so unless the channel reports it already has, it never will.
  if (route->channel->heardHandle() == route->next->handle()) route->leaving = std::move(route->next);
  route->next.reset();
  publish();
}

void Mixer::advance(const Channel* channel) {
  Route* route = find(channel);
  if (route == nullptr || !route->next) return;
  route->source = std::move(route->next);
  publish();
}

void Mixer::release(const Channel* channel) {
  Route* route = find(channel);
  if (route == nullptr) return;
  route->released = true;
  publish();
}

void Mixer::publish() {
  // Released channels that have faded out are heard no more: their routes go now, and so do
  // streams let go that their channel has left.
  std::erase_if(routes_, [](const Route& r) { return r.released && r.channel->fadedOut(); });
  for (Route& route : routes_) {
    if (route.leaving && route.channel->heardHandle() != route.leaving->handle()) route.leaving.reset();
  }
  auto list = std::make_unique<RouteList>(routes_);
  current_.store(list.get());
  if (published_) retired_.push_back({std::move(published_), renderEpoch_.load()});
  published_ = std::move(list);
  collectGarbage();
  FeedingList streams;
  for (const Route& route : routes_) {
    if (!route.released) streams.push_back({route.source, route.next});
  }
  {
    std::lock_guard lock(workerMutex_);
    workerStreams_.swap(streams);
  }
  wake();
  // The streams let go are freed by the decoding thread's copy or by `streams` here; their
  // files were closed when they were released.
}

void Mixer::collectGarbage() {
  const uint64_t now = renderEpoch_.load();
  std::erase_if(retired_, [now](const Retired& retired) { return retired.epoch % 2 == 0 || retired.epoch != now; });
}

void Mixer::wake() {
  {
    std::lock_guard lock(workerMutex_);
    workerWoken_ = true;
  }
  wakeWorker_.notify_one();
}

void Mixer::wakeOutput() {
  std::lock_guard lock(workerMutex_);
  if (output_ != nullptr) output_->wake();
}

void Mixer::setMuted(bool muted) {
  if (muted && !muted_.load(std::memory_order_relaxed)) silentRenders_.store(0, std::memory_order_relaxed);
  muted_.store(muted, std::memory_order_relaxed);
}

void Mixer::applyMute(float* out, int frames, bool muted) noexcept {
  if (!muted && muteGain_ == 1.0f) return;
  const float step = 1.0f / static_cast<float>(Channel::fadeFrames(sampleRate_));
  for (int i = 0; i < frames; ++i) {
    muteGain_ = muted ? std::max(0.0f, muteGain_ - step) : std::min(1.0f, muteGain_ + step);
    out[i * Output::kChannels] *= muteGain_;
    out[i * Output::kChannels + 1] *= muteGain_;
  }
}

void Mixer::render(float* out, int frames) noexcept {
  renderEpoch_.fetch_add(1);
  std::memset(out, 0, static_cast<size_t>(frames) * Output::kChannels * sizeof(float));
  const RouteList* routes = current_.load();
  const bool muted = muted_.load(std::memory_order_relaxed);
  const bool silenced = muted && muteGain_ == 0.0f;
  bool playing = false;
  if (routes != nullptr && !silenced) {
    // A file starting from its first frame waits for what fades out elsewhere.
    int fading = 0;
    for (const Route& route : *routes) fading = std::max(fading, route.channel->framesToFadeOut(feed(route)));
    for (const Route& route : *routes) {
      route.channel->mix(out, frames, feed(route), fading);
      playing = playing || route.channel->busy();
    }
  }
  applyMute(out, frames, muted);
  if (silenced) silentRenders_.fetch_add(1, std::memory_order_release);
  playing_.store(playing, std::memory_order_relaxed);
  renderEpoch_.fetch_add(1);
}

void Mixer::decodeLoop(uint64_t generation) {
  // Named, so that a look at the process's threads (top -H) tells which one costs what.
  pthread_setname_np(pthread_self(), "tembr decode");
  FeedingList streams;
  std::unique_lock lock(workerMutex_);
  while (workerRunning_ && generation == workerGeneration_) {
    streams = workerStreams_;
    lock.unlock();
    bool worked = false;
    for (const Feeding& feeding : streams) {
      worked |= feeding.source->service();
      if (feeding.next) worked |= feeding.next->service();
    }
    // Streams released meanwhile are let go here, on this thread, not on the audio thread.
    streams.clear();
    lock.lock();
    if (dataWaiters_ > 0) workerProgress_.notify_all();
    if (worked) continue;
    // Without a stream being used up nothing is needed until a call from another thread
    // wakes this one.
    const auto woken = [this] { return workerWoken_ || !workerRunning_; };
    if (std::any_of(workerStreams_.begin(), workerStreams_.end(), [](const Feeding& f) { return consumed(f); })) {
      wakeWorker_.wait_for(lock, kDecodeRound, woken);
    } else {
      wakeWorker_.wait(lock, woken);
    }
    workerWoken_ = false;
  }
  if (generation == workerGeneration_) workerEnded_ = true;
  workerProgress_.notify_all();
}

void Mixer::awaitData(int frames) {
  std::unique_lock lock(workerMutex_);
  ++dataWaiters_;
  // The decoding thread tops the streams up while the caller renders what is there.
  workerWoken_ = true;
  wakeWorker_.notify_one();
  while (workerRunning_) {
    lock.unlock();
    bool ready = true;
    if (const RouteList* routes = current_.load()) {
      for (const Route& route : *routes) {
        ready = route.channel->readyFor(frames, feed(route)) && ready;
      }
    }
    lock.lock();
    if (ready) break;
    workerWoken_ = true;
    wakeWorker_.notify_one();
    workerProgress_.wait_for(lock, kDecodeRound);
  }
  --dataWaiters_;
}

}  // namespace audio
