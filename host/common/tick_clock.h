// The game's millisecond clock for hosts that can sleep: its ticks begin at known moments,
// so a sleep can end just as the tick it waits for begins.
#pragma once
#include <chrono>
#include <cstdint>

namespace host::common {

class TickClock {
 public:
  // Milliseconds since the clock was made.
  uint32_t Ticks() const;
  // Sleeps to the start of the first tick that begins `ms` milliseconds or more from now: as a
  // sleeper on a Windows timer, it wakes on a tick and never before its time is up. Sleep(0)
  // lasts to the next tick, since no reading sooner can differ. The game's frame wait then
  // wakes twice a frame, the second time as its tick begins, instead of polling the clock.
  void Sleep(uint32_t ms) const;

 private:
  using Clock = std::chrono::steady_clock;
  Clock::time_point start_ = Clock::now();
};

}  // namespace host::common
