#pragma once

// Opens and closes files for the engine, so that neither the controlling thread nor the audio
// and decoding threads ever wait on a slow disk or mount while a file is opened, probed and
// its first frame decoded, or while it is closed. Each job runs on a short-lived thread of its
// own: a file that never answers (a network mount that stopped responding) holds up the one
// job that reached it, never the opens and closes after it, and the engine's release waits
// for such a job only until a deadline.
//
// A MediaThread is a handle: copies share the jobs of the engine that started them, so that a
// job may post another (a stream closing what it no longer needs) whatever became of the
// engine meanwhile.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace audio {

class MediaThread {
 public:
  MediaThread();

  // Controlling thread. Takes jobs from now on; jobs of an earlier start no longer count.
  void start();
  // Controlling thread. Takes no more jobs (later ones run on the thread that posts them),
  // and waits until the jobs running have finished or `deadline` has passed. Returns false
  // when a job is still inside a file call that never answered: it is left to end with the
  // process.
  bool stop(std::chrono::steady_clock::time_point deadline);

  // Any thread but the audio thread. Runs `job` on a thread of its own; when jobs are not
  // taken, runs it here and now.
  void post(std::function<void()> job) const;
  // Waits until every job posted so far has finished, however long a file takes (tools and
  // tests).
  void awaitIdle();

 private:
  struct Jobs {
    std::mutex mutex;
    std::condition_variable finished;
    int running = 0;
    bool taken = false;
  };

  std::shared_ptr<Jobs> jobs_;
};

}  // namespace audio
