#include "host/common/key_map.h"

namespace host::common {

KeyMap::KeyMap(const Settings& settings) {
  for (int code = 0; code < 256; ++code) game_[code] = uint8_t(code);
  host_.fill(-1);
  for (int i = 0; i < kActionCount; ++i)
    if (uint8_t key = GameKeyOf(Action(i))) game_[key] = 0;
  for (int i = 0; i < kActionCount; ++i) {
    for (uint8_t physical : settings.keys[i]) {
      game_[physical] = GameKeyOf(Action(i));
      if (!game_[physical]) host_[physical] = int8_t(i);
    }
  }
}

std::optional<Action> KeyMap::HostAction(uint8_t physical) const {
  if (host_[physical] < 0) return std::nullopt;
  return Action(host_[physical]);
}

}  // namespace host::common
