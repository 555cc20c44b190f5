// The game's keys as a host holds them: pressed and let go through the player's bindings (two
// physical keys bound alike hold one game key until both are up), and a tap shorter than one
// pass of the game's message loop still held for that pass, since the game reads its keys
// once a frame. No platform in here.
#pragma once
#include <cstdint>

#include "host/common/key_map.h"
#include "host/common/settings.h"

namespace host::common {

class GameKeys {
 public:
  explicit GameKeys(const Settings& settings) : map_(settings) {}

  // The bindings, for the host's own actions.
  const KeyMap& Map() const { return map_; }
  // A physical key (by scan code) went down or up: its game key follows. A repeat changes
  // nothing; a key bound to a host action is the host's business.
  void Physical(uint8_t physical, bool down);
  // A game key pressed or let go directly (the pad's Start taps F1).
  void Press(uint8_t game_key);
  void Release(uint8_t game_key);
  // At the start of each pump: lets go of the keys tapped during the last one.
  void BeginPump();
  // Forgets every key, as when the window loses the focus and key releases go elsewhere.
  void ReleaseAll();
  // Whether the game key is held, as the game should read it now.
  bool Held(uint8_t game_key) const { return keys_[game_key] != 0; }

 private:
  KeyMap map_;
  uint8_t keys_[256] = {};          // by the game's scan codes, nonzero = down
  uint8_t holders_[256] = {};       // how many physical keys hold each of them
  uint8_t physical_[256] = {};      // physical keys down
  uint8_t pressed_now_[256] = {};   // went down during the current pump
  uint8_t release_next_[256] = {};  // released during it too: let go at the next pump
};

}  // namespace host::common
