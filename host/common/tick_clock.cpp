#include "host/common/tick_clock.h"

#include <algorithm>
#include <thread>

namespace host::common {

uint32_t TickClock::Ticks() const {
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count());
}

void TickClock::Sleep(uint32_t ms) const {
  const auto tick = std::chrono::floor<std::chrono::milliseconds>(Clock::now() - start_);
  std::this_thread::sleep_until(start_ + tick + std::chrono::milliseconds(std::max(ms, 1u)));
}

}  // namespace host::common
