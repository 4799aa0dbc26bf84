#pragma once

// The thread that opens and closes files for the engine, so that neither the controlling
// thread nor the audio and decoding threads ever wait on a slow disk or mount while a file is
// opened, probed and its first frame decoded, or while it is closed. Jobs run one at a time,
// in the order they were posted.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace audio {

class MediaThread {
 public:
  MediaThread() = default;
  ~MediaThread();
  MediaThread(const MediaThread&) = delete;
  MediaThread& operator=(const MediaThread&) = delete;

  // Controlling thread.
  void start();
  // Runs the jobs still waiting, then ends the thread.
  void stop();

  // Any thread but the audio thread. Runs `job` on the media thread after the jobs posted
  // before it; when the thread is not running, runs it here and now.
  void post(std::function<void()> job);

 private:
  void run();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;
  bool running_ = false;  // asked to run
  bool alive_ = false;    // takes jobs: from start() until the last job after stop() has run
  std::thread thread_;
};

}  // namespace audio
