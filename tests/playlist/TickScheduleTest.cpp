// When the tick's passes and frame steps fall due, for tick wakeups at any moments: every
// frame holds five passes ten milliseconds apart, however the wakeups come.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "playlist/TickSchedule.h"

namespace {

using std::chrono::milliseconds;
using Clock = TickSchedule::Clock;

// What the wakeups at the given milliseconds after the start run: the moments of the passes
// in milliseconds, each followed by "|" where the frame step follows it.
std::string runWakeups(const std::vector<int>& wakeups) {
  const Clock::time_point start{milliseconds(1000)};
  TickSchedule schedule;
  schedule.start(start);
  std::string ran;
  for (const int wakeup : wakeups) {
    ran += "[";
    while (const auto pass = schedule.nextDue(start + milliseconds(wakeup))) {
      ran += " " + std::to_string((pass->moment - start) / milliseconds(1));
      if (pass->frameStepFollows) ran += "|";
    }
    ran += " ]";
  }
  return ran;
}

TEST(TickSchedule, RunsThePassesDueSinceTheLastWakeupWithTheFrameStepAfterEveryFifth) {
  struct Case {
    const char* what;
    std::vector<int> wakeups;
    const char* ran;
  };
  const Case cases[] = {
      {"a wakeup for every pass", {10, 20, 30, 40, 50, 60}, "[ 10 ][ 20 ][ 30 ][ 40 ][ 50| ][ 60 ]"},
      {"a wakeup for every frame", {50, 100}, "[ 10 20 30 40 50| ][ 60 70 80 90 100| ]"},
      {"wakeups between passes", {5, 35, 57, 100}, "[ ][ 10 20 30 ][ 40 50| ][ 60 70 80 90 100| ]"},
      {"a wakeup that comes twice", {50, 50}, "[ 10 20 30 40 50| ][ ]"},
      {"a stall ending on a frame step", {250, 300}, "[ 210 220 230 240 250| ][ 260 270 280 290 300| ]"},
      {"a stall ending between them", {233, 250}, "[ 190 200| 210 220 230 ][ 240 250| ]"},
  };
  for (const Case& c : cases) EXPECT_EQ(runWakeups(c.wakeups), c.ran) << c.what;
}

TEST(TickSchedule, TellsWhenToWakeForTheNextFrameStepOrTheNextPass) {
  const Clock::time_point start{milliseconds(1000)};
  TickSchedule schedule;
  EXPECT_EQ(schedule.untilNextWake(start, false), TickSchedule::kFrameInterval) << "never started";
  EXPECT_EQ(schedule.untilNextWake(start, true), TickSchedule::kPassInterval) << "never started";
  EXPECT_FALSE(schedule.nextDue(start + milliseconds(500))) << "a first look starts it";
  schedule.start(start);
  EXPECT_EQ(schedule.untilNextWake(start, false), milliseconds(50));
  EXPECT_EQ(schedule.untilNextWake(start, true), milliseconds(10));
  const Clock::time_point late = start + milliseconds(37);
  while (schedule.nextDue(late)) {
  }
  EXPECT_EQ(schedule.untilNextWake(late, false), milliseconds(13));
  EXPECT_EQ(schedule.untilNextWake(late, true), milliseconds(3));
  EXPECT_EQ(schedule.untilNextWake(start + milliseconds(70), false), Clock::duration::zero()) << "overdue";
  schedule.start(start + milliseconds(400));
  EXPECT_FALSE(schedule.nextDue(start + milliseconds(405))) << "started afresh: nothing of before is due";
}

}  // namespace
