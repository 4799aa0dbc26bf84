#include "playlist/TickSchedule.h"

#include <algorithm>

void TickSchedule::start(Clock::time_point now) {
  nextPass_ = now + kPassInterval;
  passesInFrame_ = 0;
  started_ = true;
}

std::optional<TickSchedule::Pass> TickSchedule::nextDue(Clock::time_point now) {
  if (!started_) start(now);
  if (now < nextPass_) return std::nullopt;
  // More than a frame's passes due: only the last of them run, and the frame steps stay
  // where they fell, after every fifth pass counted from the start.
  const auto due = (now - nextPass_) / kPassInterval + 1;
  if (due > kPassesPerFrame) {
    const auto dropped = due - kPassesPerFrame;
    nextPass_ += dropped * kPassInterval;
    passesInFrame_ = static_cast<int>((passesInFrame_ + dropped) % kPassesPerFrame);
  }
  const Pass pass{nextPass_, ++passesInFrame_ == kPassesPerFrame};
  if (pass.frameStepFollows) passesInFrame_ = 0;
  nextPass_ += kPassInterval;
  return pass;
}

TickSchedule::Clock::duration TickSchedule::untilNextWake(Clock::time_point now, bool everyPass) const {
  if (!started_) return everyPass ? kPassInterval : kFrameInterval;
  const int passesToFrameStep = everyPass ? 0 : kPassesPerFrame - 1 - passesInFrame_;
  const Clock::time_point wake = nextPass_ + passesToFrameStep * kPassInterval;
  return std::max<Clock::duration>(wake - now, Clock::duration::zero());
}
