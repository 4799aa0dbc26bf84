#include "audio/engine/MediaThread.h"

namespace audio {

MediaThread::~MediaThread() { stop(); }

void MediaThread::start() {
  std::lock_guard lock(mutex_);
  if (running_) return;
  running_ = true;
  alive_ = true;
  thread_ = std::thread([this] { run(); });
}

void MediaThread::stop() {
  {
    std::lock_guard lock(mutex_);
    running_ = false;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void MediaThread::post(std::function<void()> job) {
  {
    std::lock_guard lock(mutex_);
    if (alive_) {
      jobs_.push_back(std::move(job));
      job = nullptr;
    }
  }
  if (job) {
    job();
  } else {
    wake_.notify_one();
  }
}

void MediaThread::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return !jobs_.empty() || !running_; });
    if (jobs_.empty()) {
      alive_ = false;
      break;
    }
    std::function<void()> job = std::move(jobs_.front());
    jobs_.pop_front();
    lock.unlock();
    job();
    // The job's captures (a stream, say) are let go here, on this thread.
    job = nullptr;
    lock.lock();
  }
}

}  // namespace audio
