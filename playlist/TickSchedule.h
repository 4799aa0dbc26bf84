#pragma once

// When the playback tick's passes and the frame step fall due, counted on a monotonic clock.
// A pass falls due every kPassInterval and the frame step after every kPassesPerFrame-th
// pass: the levels fall by a fixed step per pass, and a frame shows the passes since the one
// before, so these two rates are part of the picture. The tick need not wake for every pass:
// whenever it wakes, it runs the passes that fell due since it last woke, each standing for
// the moment it fell due, with the frame step after every fifth. A wakeup after a long stall
// runs no more than one frame's passes, the last ones due; the passes before them are
// dropped, as a timer that fires late drops the timeouts it missed. Plain C++; GUI thread.

#include <chrono>
#include <optional>

class TickSchedule {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kPassInterval{10};
  static constexpr int kPassesPerFrame = 5;
  static constexpr std::chrono::milliseconds kFrameInterval = kPassInterval * kPassesPerFrame;

  // A pass that fell due: the moment it stands for, and whether the frame step follows it.
  struct Pass {
    Clock::time_point moment;
    bool frameStepFollows = false;
  };

  // Begins afresh at `now`, dropping whatever fell due before: the first pass falls due one
  // pass interval later, and the frame step follows the fifth. A schedule never started
  // begins at the first look at it.
  void start(Clock::time_point now);
  // The oldest pass that has fallen due by `now` and not been run, taken off the schedule;
  // none when no pass is due.
  std::optional<Pass> nextDue(Clock::time_point now);
  // How long after `now` the tick should wake next: when the next frame step falls due, or,
  // with `everyPass`, the next pass; zero when it is due already.
  Clock::duration untilNextWake(Clock::time_point now, bool everyPass) const;

 private:
  Clock::time_point nextPass_{};
  // Passes run since the last frame step.
  int passesInFrame_ = 0;
  bool started_ = false;
};
