// The SDL host's input: the keyboard through the player's bindings, and the first pad or
// joystick, plugged in before the game starts or while it runs.
#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "host/common/game_keys.h"
#include "host/common/pad_policy.h"
#include "host/common/settings.h"
#include "host/host.h"
#include "host/sdl/sdl_handle.h"

union SDL_Event;

namespace host::sdl {

class SdlInput {
 public:
  explicit SdlInput(const common::Settings& settings);
  ~SdlInput();
  SdlInput(const SdlInput&) = delete;
  SdlInput& operator=(const SdlInput&) = delete;

  // Opens the first pad or joystick, the player's own pad mappings (a gamecontrollerdb.txt)
  // added to SDL's first. SDL's joystick and game-controller parts must be running.
  void OpenPad(const std::filesystem::path& mappings);

  // At the start of each pump: lets go of the keys tapped during the last one.
  void BeginPump() { keys_.BeginPump(); }
  // A key went down or up. The host's own action comes back on its first press (Alt+Enter is
  // full screen); any other key goes to the game's keys, presses only when `to_game` (not
  // while the menu is open, so a key pressed there is not held once play goes on).
  std::optional<common::Action> Key(const SDL_Event& event, bool to_game = true);
  // Takes the player's bindings afresh, letting go of every key.
  void Rebind(const common::Settings& settings);
  // Forgets every key, as when the window loses the focus and key releases go elsewhere.
  void ReleaseAllKeys() { keys_.ReleaseAll(); }
  // By the game's own scan codes, after the player's bindings.
  bool KeyDown(uint8_t scan_code) const { return keys_.Held(scan_code); }

  // A pad's button went down or up: Start and Back as the pad policy has them, taking
  // `in_play` and the clock's `now_ms`. Returns whether the pause changed.
  bool PadButton(const SDL_Event& event, bool in_play, uint32_t now_ms, common::PauseState* pause);
  // The button of the pad in use an event is about, if it is one of ours.
  std::optional<common::PadButton> ButtonOf(const SDL_Event& event) const;
  // A pad or joystick plugged in or out.
  void Device(const SDL_Event& event);
  // Whether the pad's quit button has been held long enough by `now_ms`.
  bool QuitDue(uint32_t now_ms) const { return policy_.QuitDue(now_ms); }

  // The first pad: the left stick or d-pad as the axes, the fire and mine buttons as buttons
  // 0 and 1; or the first plain joystick's first two axes and up to 32 buttons.
  Joystick ReadJoystick();

 private:
  void OpenFirstJoystick();
  bool PadHas(common::PadAction action, int sdl_button) const;

  common::GameKeys keys_;  // by the game's scan codes, through the player's bindings
  std::array<std::vector<common::PadButton>, common::kPadActionCount> pad_bindings_;
  common::PadPolicy policy_;
  SdlHandle<_SDL_GameController> pad_;
  SdlHandle<_SDL_Joystick> joystick_;
  int32_t joystick_id_ = -1;
};

}  // namespace host::sdl
