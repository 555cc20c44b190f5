// The player's key bindings as a host applies them: each physical key (by scan code) gives
// the game one of its own keys, or one of the host's actions, or passes through as itself.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "host/common/settings.h"

namespace host::common {

class KeyMap {
 public:
  explicit KeyMap(const Settings& settings);
  // The game's key for a physical key; 0 for none. A key the game reads for a bound action
  // (the arrows, Space, ...) comes only from the keys bound to that action; every other key
  // is itself (F2, F3 and Enter keep their meaning).
  uint8_t GameKey(uint8_t physical) const { return game_[physical]; }
  // The host's own action for a physical key (pause, screenshot, full screen), if any.
  std::optional<Action> HostAction(uint8_t physical) const;

 private:
  std::array<uint8_t, 256> game_{};
  std::array<int8_t, 256> host_{};  // an Action, or -1
};

}  // namespace host::common
