#include "host/common/tick_clock.h"

#include <cstdint>
#include <thread>

namespace host::common {

uint32_t TickClock::Ticks() const {
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count());
}

void TickClock::Sleep(uint32_t ms) const {
  const auto tick = std::chrono::floor<std::chrono::milliseconds>(Clock::now() - start_);
  std::this_thread::sleep_until(start_ + tick + std::chrono::milliseconds(int64_t{ms} + 1));
}

}  // namespace host::common
