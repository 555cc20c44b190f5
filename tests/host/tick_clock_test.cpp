// The sleeping hosts' millisecond clock: a sleep ends on a tick, never before its time is up.
#include <gtest/gtest.h>

#include "host/common/tick_clock.h"

namespace {

TEST(TickClock, SleepsLastTheirWholeTimeAndEndOnATick) {
  const host::common::TickClock clock;
  for (uint32_t ms : {0u, 1u, 3u, 7u}) {
    const uint32_t before = clock.Ticks();
    clock.Sleep(ms);
    // Read within tick `before`, ms milliseconds on is still within tick before + ms: the
    // first tick to begin after that is one more. Sleep(0) waits for the next tick: polling
    // sooner could not see the clock move.
    EXPECT_GE(clock.Ticks() - before, ms + 1) << "Sleep(" << ms << ")";
  }
}

TEST(TickClock, AFrameWaitOfSleepsReachesItsTickWithoutPolling) {
  // The game's frame wait: sleep all but two milliseconds, then Sleep(0) to the tick. With
  // sleeps ending on ticks, never early, it takes two of them (each wake costs the processor).
  const host::common::TickClock clock;
  const uint32_t start = clock.Ticks();
  int sleeps = 0;
  for (uint32_t elapsed; (elapsed = clock.Ticks() - start) < 22; ++sleeps) {
    const uint32_t left = 22 - elapsed;
    clock.Sleep(left > 2 ? left - 2 : 0);
  }
  EXPECT_LE(sleeps, 2);
  EXPECT_GE(clock.Ticks() - start, 22u);
}

}  // namespace
