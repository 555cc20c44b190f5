// Input for the web host with no browser in it, so it can be tested anywhere: physical keys
// by their KeyboardEvent.code, the Gamepad API's standard mapping, and what a pad's Start and
// Back buttons do.
#pragma once
#include <cstdint>
#include <string>

#include "platform/host/host.h"

namespace host {

// The DirectInput scan codes the host itself acts on.
namespace scan {
constexpr uint8_t kEscape = 0x01;
constexpr uint8_t kP = 0x19;
constexpr uint8_t kF1 = 0x3B;
constexpr uint8_t kPrintScreen = 0xB7;
constexpr uint8_t kPause = 0xC5;
}  // namespace scan

// The DirectInput scan code of a KeyboardEvent.code ("ArrowLeft", "KeyA", ...); 0 for a key
// the game has no code for. The same key gives the same code as on the SDL host.
uint8_t ScanCodeOfKeyCode(const char* code);

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
// the south button is the game's button 0 (fire), east or west its button 1 (mine). Other pads
// pass their first two axes and their buttons through, as the SDL host does.
Joystick PadJoystick(const PadState& pad);

// The standard mapping's Start and Back / Select.
bool PadStart(const PadState& pad);
bool PadBack(const PadState& pad);

// What Start and Back mean around the game: Start starts a game on the title screen (a tap of
// F1) and pauses or resumes in play; Back held for a second quits (a tap of Escape).
class PadButtons {
 public:
  struct Actions {
    bool tap_f1 = false;
    bool toggle_pause = false;
    bool tap_escape = false;
  };
  static constexpr double kQuitHoldMs = 1000;

  // `now_ms` is any monotonic clock in milliseconds.
  Actions Update(bool start, bool back, double now_ms, bool in_play, bool paused);

 private:
  bool start_ = false;
  double back_since_ = -1;  // < 0: Back is up
  bool back_fired_ = false;
};

}  // namespace host
