#include "host/web/web_input.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "host/common/scan_codes.h"

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
    {"Escape", common::kDikEscape, false},
    {"Digit1", common::kDik1, false},
    {"Digit2", common::kDik2, false},
    {"Digit3", common::kDik3, false},
    {"Digit4", common::kDik4, false},
    {"Digit5", common::kDik5, false},
    {"Digit6", common::kDik6, false},
    {"Digit7", common::kDik7, false},
    {"Digit8", common::kDik8, false},
    {"Digit9", common::kDik9, false},
    {"Digit0", common::kDik0, false},
    {"Minus", common::kDikMinus, false},
    {"Equal", common::kDikEquals, false},
    {"Backspace", common::kDikBack, true},
    {"Tab", common::kDikTab, true},
    {"KeyQ", common::kDikQ, false},
    {"KeyW", common::kDikW, false},
    {"KeyE", common::kDikE, false},
    {"KeyR", common::kDikR, false},
    {"KeyT", common::kDikT, false},
    {"KeyY", common::kDikY, false},
    {"KeyU", common::kDikU, false},
    {"KeyI", common::kDikI, false},
    {"KeyO", common::kDikO, false},
    {"KeyP", common::kDikP, false},
    {"BracketLeft", common::kDikLBracket, false},
    {"BracketRight", common::kDikRBracket, false},
    {"Enter", common::kDikReturn, true},
    {"ControlLeft", common::kDikLControl, false},
    {"KeyA", common::kDikA, false},
    {"KeyS", common::kDikS, false},
    {"KeyD", common::kDikD, false},
    {"KeyF", common::kDikF, false},
    {"KeyG", common::kDikG, false},
    {"KeyH", common::kDikH, false},
    {"KeyJ", common::kDikJ, false},
    {"KeyK", common::kDikK, false},
    {"KeyL", common::kDikL, false},
    {"Semicolon", common::kDikSemicolon, false},
    {"Quote", common::kDikApostrophe, false},
    {"Backquote", common::kDikGrave, false},
    {"ShiftLeft", common::kDikLShift, false},
    {"Backslash", common::kDikBackslash, false},
    {"KeyZ", common::kDikZ, false},
    {"KeyX", common::kDikX, false},
    {"KeyC", common::kDikC, false},
    {"KeyV", common::kDikV, false},
    {"KeyB", common::kDikB, false},
    {"KeyN", common::kDikN, false},
    {"KeyM", common::kDikM, false},
    {"Comma", common::kDikComma, false},
    {"Period", common::kDikPeriod, false},
    {"Slash", common::kDikSlash, false},
    {"ShiftRight", common::kDikRShift, false},
    {"NumpadMultiply", common::kDikMultiply, false},
    {"AltLeft", common::kDikLMenu, true},
    {"Space", common::kDikSpace, true},
    {"CapsLock", common::kDikCapital, false},
    {"F1", common::kDikF1, true},
    {"F2", common::kDikF2, true},
    {"F3", common::kDikF3, true},
    {"F4", common::kDikF4, true},
    {"F5", common::kDikF5, false},
    {"F6", common::kDikF6, false},
    {"F7", common::kDikF7, false},
    {"F8", common::kDikF8, false},
    {"F9", common::kDikF9, false},
    {"F10", common::kDikF10, false},
    {"NumLock", common::kDikNumLock, false},
    {"ScrollLock", common::kDikScroll, false},
    {"Numpad7", common::kDikNumpad7, false},
    {"Numpad8", common::kDikNumpad8, false},
    {"Numpad9", common::kDikNumpad9, false},
    {"NumpadSubtract", common::kDikSubtract, false},
    {"Numpad4", common::kDikNumpad4, false},
    {"Numpad5", common::kDikNumpad5, false},
    {"Numpad6", common::kDikNumpad6, false},
    {"NumpadAdd", common::kDikAdd, false},
    {"Numpad1", common::kDikNumpad1, false},
    {"Numpad2", common::kDikNumpad2, false},
    {"Numpad3", common::kDikNumpad3, false},
    {"Numpad0", common::kDikNumpad0, false},
    {"NumpadDecimal", common::kDikDecimal, false},
    {"IntlBackslash", common::kDikOem102, false},
    {"F11", common::kDikF11, true},
    {"F12", common::kDikF12, false},
    {"F13", common::kDikF13, false},
    {"F14", common::kDikF14, false},
    {"F15", common::kDikF15, false},
    {"NumpadEqual", common::kDikNumpadEquals, false},
    {"NumpadEnter", common::kDikNumpadEnter, false},
    {"ControlRight", common::kDikRControl, false},
    {"NumpadDivide", common::kDikDivide, false},
    {"PrintScreen", common::kDikSysRq, true},
    {"AltRight", common::kDikRMenu, true},
    {"Pause", common::kDikPause, false},
    {"Home", common::kDikHome, true},
    {"ArrowUp", common::kDikUp, true},
    {"PageUp", common::kDikPrior, true},
    {"ArrowLeft", common::kDikLeft, true},
    {"ArrowRight", common::kDikRight, true},
    {"End", common::kDikEnd, true},
    {"ArrowDown", common::kDikDown, true},
    {"PageDown", common::kDikNext, true},
    {"Insert", common::kDikInsert, false},
    {"Delete", common::kDikDelete, false},
    {"MetaLeft", common::kDikLWin, false},
    {"MetaRight", common::kDikRWin, false},
    {"ContextMenu", common::kDikApps, false},
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

const char* KeyCodeOfScanCode(uint8_t scan_code) {
  for (const KeyCode& key : kKeyCodes)
    if (key.scan_code == scan_code) return key.code;
  return nullptr;
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

void PadMenuReader::Read(const PadState& pad, std::vector<common::MenuPress>* presses,
                         std::optional<common::PadButton>* pressed) {
  presses->clear();
  pressed->reset();
  constexpr int kButtons = 17;
  static_assert(sizeof was_ == kButtons);
  bool now[kButtons];
  for (int b = 0; b < kButtons; ++b) now[b] = Pressed(pad, b);
  auto went_down = [&](int b) { return now[b] && !was_[b]; };
  static constexpr std::pair<int, common::MenuPress> kMoves[] = {
      {kPadUp, common::MenuPress::kUp},     {kPadDown, common::MenuPress::kDown},
      {kPadLeft, common::MenuPress::kLeft}, {kPadRight, common::MenuPress::kRight},
      {0, common::MenuPress::kChoose},      {1, common::MenuPress::kBack}};
  for (auto [button, press] : kMoves)
    if (went_down(button)) presses->push_back(press);
  if (pad.standard) {
    for (int axis = 0; axis < 2; ++axis)
      if (std::optional<common::MenuPress> press = stick_.Axis(axis == 1, RawAxis(pad, axis)))
        presses->push_back(*press);
  }
  for (int i = 0; i < common::kPadButtonCount && !*pressed; ++i)
    if (went_down(kStandardIndex[i])) *pressed = common::PadButton(i);
  std::copy(now, now + kButtons, was_);
}

}  // namespace host::web
