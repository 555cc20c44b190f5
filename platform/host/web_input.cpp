#include "platform/host/web_input.h"

#include <dinput.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace host {
namespace {

struct KeyCode {
  const char* code;
  uint8_t scan_code;
};

// Every key of a standard PC keyboard. The ISO key beside Enter reports "Backslash", as the
// US key in its place does.
constexpr KeyCode kKeyCodes[] = {
    {"Escape", DIK_ESCAPE},
    {"Digit1", DIK_1},
    {"Digit2", DIK_2},
    {"Digit3", DIK_3},
    {"Digit4", DIK_4},
    {"Digit5", DIK_5},
    {"Digit6", DIK_6},
    {"Digit7", DIK_7},
    {"Digit8", DIK_8},
    {"Digit9", DIK_9},
    {"Digit0", DIK_0},
    {"Minus", DIK_MINUS},
    {"Equal", DIK_EQUALS},
    {"Backspace", DIK_BACK},
    {"Tab", DIK_TAB},
    {"KeyQ", DIK_Q},
    {"KeyW", DIK_W},
    {"KeyE", DIK_E},
    {"KeyR", DIK_R},
    {"KeyT", DIK_T},
    {"KeyY", DIK_Y},
    {"KeyU", DIK_U},
    {"KeyI", DIK_I},
    {"KeyO", DIK_O},
    {"KeyP", DIK_P},
    {"BracketLeft", DIK_LBRACKET},
    {"BracketRight", DIK_RBRACKET},
    {"Enter", DIK_RETURN},
    {"ControlLeft", DIK_LCONTROL},
    {"KeyA", DIK_A},
    {"KeyS", DIK_S},
    {"KeyD", DIK_D},
    {"KeyF", DIK_F},
    {"KeyG", DIK_G},
    {"KeyH", DIK_H},
    {"KeyJ", DIK_J},
    {"KeyK", DIK_K},
    {"KeyL", DIK_L},
    {"Semicolon", DIK_SEMICOLON},
    {"Quote", DIK_APOSTROPHE},
    {"Backquote", DIK_GRAVE},
    {"ShiftLeft", DIK_LSHIFT},
    {"Backslash", DIK_BACKSLASH},
    {"KeyZ", DIK_Z},
    {"KeyX", DIK_X},
    {"KeyC", DIK_C},
    {"KeyV", DIK_V},
    {"KeyB", DIK_B},
    {"KeyN", DIK_N},
    {"KeyM", DIK_M},
    {"Comma", DIK_COMMA},
    {"Period", DIK_PERIOD},
    {"Slash", DIK_SLASH},
    {"ShiftRight", DIK_RSHIFT},
    {"NumpadMultiply", DIK_MULTIPLY},
    {"AltLeft", DIK_LMENU},
    {"Space", DIK_SPACE},
    {"CapsLock", DIK_CAPITAL},
    {"F1", DIK_F1},
    {"F2", DIK_F2},
    {"F3", DIK_F3},
    {"F4", DIK_F4},
    {"F5", DIK_F5},
    {"F6", DIK_F6},
    {"F7", DIK_F7},
    {"F8", DIK_F8},
    {"F9", DIK_F9},
    {"F10", DIK_F10},
    {"NumLock", DIK_NUMLOCK},
    {"ScrollLock", DIK_SCROLL},
    {"Numpad7", DIK_NUMPAD7},
    {"Numpad8", DIK_NUMPAD8},
    {"Numpad9", DIK_NUMPAD9},
    {"NumpadSubtract", DIK_SUBTRACT},
    {"Numpad4", DIK_NUMPAD4},
    {"Numpad5", DIK_NUMPAD5},
    {"Numpad6", DIK_NUMPAD6},
    {"NumpadAdd", DIK_ADD},
    {"Numpad1", DIK_NUMPAD1},
    {"Numpad2", DIK_NUMPAD2},
    {"Numpad3", DIK_NUMPAD3},
    {"Numpad0", DIK_NUMPAD0},
    {"NumpadDecimal", DIK_DECIMAL},
    {"IntlBackslash", DIK_OEM_102},
    {"F11", DIK_F11},
    {"F12", DIK_F12},
    {"F13", DIK_F13},
    {"F14", DIK_F14},
    {"F15", DIK_F15},
    {"NumpadEqual", DIK_NUMPADEQUALS},
    {"NumpadEnter", DIK_NUMPADENTER},
    {"ControlRight", DIK_RCONTROL},
    {"NumpadDivide", DIK_DIVIDE},
    {"PrintScreen", DIK_SYSRQ},
    {"AltRight", DIK_RMENU},
    {"Pause", DIK_PAUSE},
    {"Home", DIK_HOME},
    {"ArrowUp", DIK_UP},
    {"PageUp", DIK_PRIOR},
    {"ArrowLeft", DIK_LEFT},
    {"ArrowRight", DIK_RIGHT},
    {"End", DIK_END},
    {"ArrowDown", DIK_DOWN},
    {"PageDown", DIK_NEXT},
    {"Insert", DIK_INSERT},
    {"Delete", DIK_DELETE},
    {"MetaLeft", DIK_LWIN},
    {"MetaRight", DIK_RWIN},
    {"ContextMenu", DIK_APPS},
};

// The standard mapping's buttons and axes.
enum StandardButton {
  kSouth = 0,
  kEast = 1,
  kWest = 2,
  kBack = 8,
  kStart = 9,
  kPadUp = 12,
  kPadDown = 13,
  kPadLeft = 14,
  kPadRight = 15,
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

}  // namespace

uint8_t ScanCodeOfKeyCode(const char* code) {
  for (const KeyCode& key : kKeyCodes)
    if (std::strcmp(key.code, code) == 0) return key.scan_code;
  return 0;
}

bool KeepFromBrowser(uint8_t scan_code) {
  switch (scan_code) {
    case DIK_UP:
    case DIK_DOWN:
    case DIK_LEFT:
    case DIK_RIGHT:
    case DIK_SPACE:
    case DIK_RETURN:
    case DIK_TAB:
    case DIK_BACK:
    case DIK_LMENU:
    case DIK_RMENU:
    case DIK_F1:
    case DIK_F2:
    case DIK_F3:
    case DIK_F4:
    case DIK_F11:
    case DIK_SYSRQ:
    case DIK_PRIOR:
    case DIK_NEXT:
    case DIK_HOME:
    case DIK_END:
      return true;
    default:
      return false;
  }
}

Joystick PadJoystick(const PadState& pad) {
  Joystick stick;
  stick.present = true;
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
  stick.buttons[0] = Pressed(pad, kSouth) ? 0x80 : 0;
  stick.buttons[1] = Pressed(pad, kEast) || Pressed(pad, kWest) ? 0x80 : 0;
  return stick;
}

bool PadStart(const PadState& pad) {
  return Pressed(pad, kStart);
}

bool PadBack(const PadState& pad) {
  return Pressed(pad, kBack);
}

PadButtons::Actions PadButtons::Update(bool start, bool back, double now_ms, bool in_play,
                                       bool paused) {
  Actions actions;
  if (start && !start_) {
    if (in_play || paused)
      actions.toggle_pause = true;
    else
      actions.tap_f1 = true;
  }
  start_ = start;
  if (!back) {
    back_since_ = -1;
    back_fired_ = false;
  } else if (back_since_ < 0) {
    back_since_ = now_ms;
  } else if (!back_fired_ && now_ms - back_since_ >= kQuitHoldMs) {
    actions.tap_escape = true;
    back_fired_ = true;
  }
  return actions;
}

}  // namespace host
