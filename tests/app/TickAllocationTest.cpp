// The playback tick runs every few milliseconds for the life of the window, so once its
// read-outs are up to date it must not touch the heap at all. Allocations are counted per
// thread, so the engine's own threads do not disturb the count of the GUI thread.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <new>

#include "tests/app/PlaybackHarness.h"
#include "ui_TForm1.h"
#include "ui_TForm1.h"

namespace {
thread_local long allocations = 0;
}  // namespace

void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// The frame timer presents and clears the drawing once per five ticks of the playback timer.
constexpr int kTicksPerFrame = 5;

// Runs `ticks` ticks with the frame timer in between as the real timers would, and returns
// the most allocations that one playback tick made.
template <typename BetweenTicks>
long mostAllocationsPerTick(playback::Harness& h, int ticks, BetweenTicks&& betweenTicks) {
  long most = 0;
  for (int i = 0; i < ticks; ++i) {
    betweenTicks();
    if (i % kTicksPerFrame == 0) h.window().Timer3Timer();
    const long before = allocations;
    h.tick();
    most = std::max(most, allocations - before);
  }
  return most;
}

TEST(TickAllocation, ASteadyTickAllocatesNothing) {
  playback::Harness h;
  h.addEntry(playback::toneFile("steady.wav", 1.0));
  h.click(0);
  h.render(8192);
  h.window().BitBtn3Click();
  // The first frames bring labels, gauges and the drawing's buffers up to size; after that
  // nothing changes while the track is paused.
  mostAllocationsPerTick(h, 4 * kTicksPerFrame, [] {});
  EXPECT_EQ(mostAllocationsPerTick(h, 50, [] {}), 0);
}

TEST(TickAllocation, APlayingTickAllocatesOnlyChangedLabelTexts) {
  playback::Harness h;
  h.addEntry(playback::toneFile("steady.wav", 1.0));
  h.click(0);
  mostAllocationsPerTick(h, 4 * kTicksPerFrame, [] {});
  // 441 frames (a 10 ms tick period) at a time: the clock label changes about once in a
  // hundred ticks.
  EXPECT_LE(mostAllocationsPerTick(h, 150, [&] { h.render(441); }), 4)
      << "a new clock text, at most";
}

}  // namespace
