#include "host/common/game_keys.h"

#include <cstring>

namespace host::common {

void GameKeys::Physical(uint8_t physical, bool down) {
  if (map_.HostAction(physical)) return;
  uint8_t game_key = map_.GameKey(physical);
  if (!game_key || (physical_[physical] != 0) == down) return;
  physical_[physical] = down;
  if (down)
    Press(game_key);
  else
    Release(game_key);
}

void GameKeys::Press(uint8_t game_key) {
  if (holders_[game_key]++ > 0) return;
  keys_[game_key] = 1;
  pressed_now_[game_key] = 1;
  release_next_[game_key] = 0;
}

void GameKeys::Release(uint8_t game_key) {
  if (holders_[game_key] == 0 || --holders_[game_key] > 0) return;
  // A tap shorter than one pump still reads as held until the next one, or the game
  // (which polls once a frame) would never see it.
  if (pressed_now_[game_key])
    release_next_[game_key] = 1;
  else
    keys_[game_key] = 0;
}

void GameKeys::BeginPump() {
  for (int key = 0; key < 256; ++key)
    if (release_next_[key]) keys_[key] = 0;
  std::memset(pressed_now_, 0, sizeof pressed_now_);
  std::memset(release_next_, 0, sizeof release_next_);
}

void GameKeys::ReleaseAll() {
  std::memset(keys_, 0, sizeof keys_);
  std::memset(holders_, 0, sizeof holders_);
  std::memset(physical_, 0, sizeof physical_);
  std::memset(release_next_, 0, sizeof release_next_);
}

}  // namespace host::common
