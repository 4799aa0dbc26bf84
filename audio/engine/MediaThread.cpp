#include "audio/engine/MediaThread.h"

#include <system_error>
#include <thread>

namespace audio {

MediaThread::MediaThread() : jobs_(std::make_shared<Jobs>()) {}

void MediaThread::start() {
  auto jobs = std::make_shared<Jobs>();
  jobs->taken = true;
  jobs_ = std::move(jobs);
}

bool MediaThread::stop(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(jobs_->mutex);
  jobs_->taken = false;
  return jobs_->finished.wait_until(lock, deadline, [this] { return jobs_->running == 0; });
}

void MediaThread::post(std::function<void()> job) const {
  const std::shared_ptr<Jobs> jobs = jobs_;
  bool taken = false;
  {
    std::lock_guard lock(jobs->mutex);
    taken = jobs->taken;
    if (taken) ++jobs->running;
  }
  if (!taken) {
    // The engine is released: this is one of its threads letting go of what it held.
    job();
    return;
  }
  auto task = std::make_shared<std::function<void()>>(std::move(job));
  const auto run = [jobs, task] {
    (*task)();
    // Whatever the job holds (a stream, a decoder) is let go here, on its own thread.
    *task = nullptr;
    std::lock_guard lock(jobs->mutex);
    --jobs->running;
    jobs->finished.notify_all();
  };
  try {
    std::thread(run).detach();
  } catch (const std::system_error&) {
    // No thread to be had: the job runs here rather than not at all.
    run();
  }
}

void MediaThread::awaitIdle() {
  const std::shared_ptr<Jobs> jobs = jobs_;
  std::unique_lock lock(jobs->mutex);
  jobs->finished.wait(lock, [&jobs] { return jobs->running == 0; });
}

}  // namespace audio
