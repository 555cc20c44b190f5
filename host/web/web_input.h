// Input for the web host with no browser in it, so it can be tested anywhere: physical keys
// by their KeyboardEvent.code, and the Gamepad API's standard mapping through the player's pad
// bindings. What the pad's Start and Back do is every host's (host/common/pad_policy.h).
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/common/menu.h"
#include "host/common/settings.h"

namespace host::web {

// The DirectInput scan code of a KeyboardEvent.code ("ArrowLeft", "KeyA", ...); 0 for a key
// the game has no code for. The same key gives the same code as on the SDL host.
uint8_t ScanCodeOfKeyCode(const char* code);

// The KeyboardEvent.code of a scan code ("KeyA"); nullptr for none.
const char* KeyCodeOfScanCode(uint8_t scan_code);

// Whether the browser must not act on a key as well: keys that would scroll the page, open
// its help or move the focus while playing.
bool KeepFromBrowser(const char* code);

// One reading of the Gamepad API.
struct PadState {
  std::string name;
  bool standard = false;  // the browser knows the layout ("standard" mapping)
  const double* axes = nullptr;
  int axis_count = 0;
  const bool* buttons = nullptr;
  int button_count = 0;
};

// The joystick the game reads while no pad is connected: idle, but there. A browser shows a
// pad only once a button is pressed on the page, long after the game looked for its joystick
// at start-up, so the game must always find one.
Joystick NoPad();

// The joystick the game reads. With the standard mapping the left stick or the d-pad drives,
// and the buttons the settings bind to fire and to lay mines (south; east and west, unless
// rebound) are the game's buttons 0 and 1. Other pads pass their first two axes and their
// buttons through, as the SDL host does with a joystick it has no mapping for.
Joystick PadJoystick(const PadState& pad, const common::Settings& settings);

// Whether a button the settings bind to `action` is held (standard mapping only).
bool PadHeld(const PadState& pad, const common::Settings& settings, common::PadAction action);

// The pad in the menu, from one reading of the Gamepad API to the next (standard mapping only):
// the d-pad and the left stick move, south chooses, east goes back, each once per press.
class PadMenuReader {
 public:
  // What was pressed since the last reading, and the first of the settings' pad buttons that
  // went down (for a binding).
  void Read(const PadState& pad, std::vector<common::MenuPress>* presses,
            std::optional<common::PadButton>* pressed);

 private:
  bool was_[17] = {};
  common::StickPresses stick_;
};

}  // namespace host::web
