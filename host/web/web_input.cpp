#include "host/web/web_input.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace host::web {
namespace {

struct KeyCode {
  const char* code;
  uint8_t scan_code;
  bool keep_from_browser;  // it would scroll the page, open the browser's help or move the focus
};

// Every key of a standard PC keyboard, by its DirectInput scan code. The ISO key beside Enter
// reports "Backslash", as the US key in its place does.
constexpr KeyCode kKeyCodes[] = {
    {"Escape", 0x01, false},
    {"Digit1", 0x02, false},
    {"Digit2", 0x03, false},
    {"Digit3", 0x04, false},
    {"Digit4", 0x05, false},
    {"Digit5", 0x06, false},
    {"Digit6", 0x07, false},
    {"Digit7", 0x08, false},
    {"Digit8", 0x09, false},
    {"Digit9", 0x0A, false},
    {"Digit0", 0x0B, false},
    {"Minus", 0x0C, false},
    {"Equal", 0x0D, false},
    {"Backspace", 0x0E, true},
    {"Tab", 0x0F, true},
    {"KeyQ", 0x10, false},
    {"KeyW", 0x11, false},
    {"KeyE", 0x12, false},
    {"KeyR", 0x13, false},
    {"KeyT", 0x14, false},
    {"KeyY", 0x15, false},
    {"KeyU", 0x16, false},
    {"KeyI", 0x17, false},
    {"KeyO", 0x18, false},
    {"KeyP", 0x19, false},
    {"BracketLeft", 0x1A, false},
    {"BracketRight", 0x1B, false},
    {"Enter", 0x1C, true},
    {"ControlLeft", 0x1D, false},
    {"KeyA", 0x1E, false},
    {"KeyS", 0x1F, false},
    {"KeyD", 0x20, false},
    {"KeyF", 0x21, false},
    {"KeyG", 0x22, false},
    {"KeyH", 0x23, false},
    {"KeyJ", 0x24, false},
    {"KeyK", 0x25, false},
    {"KeyL", 0x26, false},
    {"Semicolon", 0x27, false},
    {"Quote", 0x28, false},
    {"Backquote", 0x29, false},
    {"ShiftLeft", 0x2A, false},
    {"Backslash", 0x2B, false},
    {"KeyZ", 0x2C, false},
    {"KeyX", 0x2D, false},
    {"KeyC", 0x2E, false},
    {"KeyV", 0x2F, false},
    {"KeyB", 0x30, false},
    {"KeyN", 0x31, false},
    {"KeyM", 0x32, false},
    {"Comma", 0x33, false},
    {"Period", 0x34, false},
    {"Slash", 0x35, false},
    {"ShiftRight", 0x36, false},
    {"NumpadMultiply", 0x37, false},
    {"AltLeft", 0x38, true},
    {"Space", 0x39, true},
    {"CapsLock", 0x3A, false},
    {"F1", 0x3B, true},
    {"F2", 0x3C, true},
    {"F3", 0x3D, true},
    {"F4", 0x3E, true},
    {"F5", 0x3F, false},
    {"F6", 0x40, false},
    {"F7", 0x41, false},
    {"F8", 0x42, false},
    {"F9", 0x43, false},
    {"F10", 0x44, false},
    {"NumLock", 0x45, false},
    {"ScrollLock", 0x46, false},
    {"Numpad7", 0x47, false},
    {"Numpad8", 0x48, false},
    {"Numpad9", 0x49, false},
    {"NumpadSubtract", 0x4A, false},
    {"Numpad4", 0x4B, false},
    {"Numpad5", 0x4C, false},
    {"Numpad6", 0x4D, false},
    {"NumpadAdd", 0x4E, false},
    {"Numpad1", 0x4F, false},
    {"Numpad2", 0x50, false},
    {"Numpad3", 0x51, false},
    {"Numpad0", 0x52, false},
    {"NumpadDecimal", 0x53, false},
    {"IntlBackslash", 0x56, false},
    {"F11", 0x57, true},
    {"F12", 0x58, false},
    {"F13", 0x64, false},
    {"F14", 0x65, false},
    {"F15", 0x66, false},
    {"NumpadEqual", 0x8D, false},
    {"NumpadEnter", 0x9C, false},
    {"ControlRight", 0x9D, false},
    {"NumpadDivide", 0xB5, false},
    {"PrintScreen", 0xB7, true},
    {"AltRight", 0xB8, true},
    {"Pause", 0xC5, false},
    {"Home", 0xC7, true},
    {"ArrowUp", 0xC8, true},
    {"PageUp", 0xC9, true},
    {"ArrowLeft", 0xCB, true},
    {"ArrowRight", 0xCD, true},
    {"End", 0xCF, true},
    {"ArrowDown", 0xD0, true},
    {"PageDown", 0xD1, true},
    {"Insert", 0xD2, false},
    {"Delete", 0xD3, false},
    {"MetaLeft", 0xDB, false},
    {"MetaRight", 0xDC, false},
    {"ContextMenu", 0xDD, false},
};

// The standard mapping's d-pad, and its index for each of the settings' pad buttons.
enum StandardButton { kPadUp = 12, kPadDown = 13, kPadLeft = 14, kPadRight = 15 };
constexpr int kStandardIndex[common::kPadButtonCount] = {
    0,   // south
    1,   // east
    2,   // west
    3,   // north
    8,   // back
    16,  // guide
    9,   // start
    10,  // left stick
    11,  // right stick
    4,   // left shoulder
    5,   // right shoulder
};

bool Pressed(const PadState& pad, int button) {
  return pad.standard && button < pad.button_count && pad.buttons[button];
}

int32_t RawAxis(const PadState& pad, int axis) {
  if (axis >= pad.axis_count || !std::isfinite(pad.axes[axis])) return 0;
  return static_cast<int32_t>(std::lround(std::clamp(pad.axes[axis], -1.0, 1.0) * 32767));
}

// The d-pad, where pressed, wins over the stick.
int32_t DriveAxis(const PadState& pad, int axis, int negative, int positive) {
  if (Pressed(pad, negative)) return -32768;
  if (Pressed(pad, positive)) return 32767;
  return RawAxis(pad, axis);
}

const KeyCode* Find(const char* code) {
  for (const KeyCode& key : kKeyCodes)
    if (std::strcmp(key.code, code) == 0) return &key;
  return nullptr;
}

}  // namespace

uint8_t ScanCodeOfKeyCode(const char* code) {
  const KeyCode* key = Find(code);
  return key ? key->scan_code : 0;
}

bool KeepFromBrowser(const char* code) {
  const KeyCode* key = Find(code);
  return key && key->keep_from_browser;
}

Joystick NoPad() {
  Joystick stick;
  stick.present = true;
  stick.name = "Gamepad";
  return stick;
}

Joystick PadJoystick(const PadState& pad, const common::Settings& settings) {
  Joystick stick = NoPad();
  stick.name = pad.name;
  if (!pad.standard) {
    stick.axis_x = RawAxis(pad, 0);
    stick.axis_y = RawAxis(pad, 1);
    int count = std::min(pad.button_count, static_cast<int>(sizeof stick.buttons));
    for (int i = 0; i < count; ++i) stick.buttons[i] = pad.buttons[i] ? 0x80 : 0;
    return stick;
  }
  stick.axis_x = DriveAxis(pad, 0, kPadLeft, kPadRight);
  stick.axis_y = DriveAxis(pad, 1, kPadUp, kPadDown);
  stick.buttons[0] = PadHeld(pad, settings, common::PadAction::kFire) ? 0x80 : 0;
  stick.buttons[1] = PadHeld(pad, settings, common::PadAction::kMine) ? 0x80 : 0;
  return stick;
}

bool PadHeld(const PadState& pad, const common::Settings& settings, common::PadAction action) {
  for (common::PadButton button : settings.pad[static_cast<size_t>(action)])
    if (Pressed(pad, kStandardIndex[static_cast<size_t>(button)])) return true;
  return false;
}

PadButtons::Actions PadButtons::Update(bool start, bool quit, double now_ms, bool in_play,
                                       bool paused) {
  Actions actions;
  if (start && !start_) {
    if (in_play || paused)
      actions.toggle_pause = true;
    else
      actions.tap_f1 = true;
  }
  start_ = start;
  if (!quit) {
    quit_since_ = -1;
  } else if (quit_since_ < 0) {
    quit_since_ = now_ms;
  } else if (now_ms - quit_since_ >= kQuitHoldMs) {
    actions.quit = true;
  }
  return actions;
}

}  // namespace host::web
