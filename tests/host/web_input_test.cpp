// The web host's input without a browser: physical keys by KeyboardEvent.code and the Gamepad
// API's standard mapping.
#include <dinput.h>
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "host/web/web_input.h"

namespace {

// A KeyboardEvent.code from its parts. Built by appending: GCC 12 at -O3 warns wrongly
// (-Wrestrict) of "literal" + std::string.
std::string Code(const char* prefix, const std::string& rest) {
  std::string code = prefix;
  code += rest;
  return code;
}

using host::web::KeepFromBrowser;
using host::web::PadState;
using host::web::ScanCodeOfKeyCode;

const host::common::Settings kDefaults;

TEST(WebKeys, TheGamesKeysGiveTheirScanCodes) {
  const std::pair<const char*, int> keys[] = {
      {"ArrowUp", DIK_UP},
      {"ArrowDown", DIK_DOWN},
      {"ArrowLeft", DIK_LEFT},
      {"ArrowRight", DIK_RIGHT},
      {"Space", DIK_SPACE},
      {"ControlLeft", DIK_LCONTROL},
      {"ControlRight", DIK_RCONTROL},
      {"F1", DIK_F1},
      {"F2", DIK_F2},
      {"F3", DIK_F3},
      {"F4", DIK_F4},
      {"Enter", DIK_RETURN},
      {"Escape", DIK_ESCAPE},
      {"F11", DIK_F11},
      {"PrintScreen", DIK_SYSRQ},
      {"Pause", DIK_PAUSE},
      {"KeyP", DIK_P},
      {"NumpadEnter", DIK_NUMPADENTER},
      {"ShiftLeft", DIK_LSHIFT},
      {"AltRight", DIK_RMENU},
      {"IntlBackslash", DIK_OEM_102},
  };
  for (const auto& [code, dik] : keys) EXPECT_EQ(ScanCodeOfKeyCode(code), dik) << code;
}

TEST(WebKeys, EveryLetterAndDigitHasItsOwnCode) {
  // A slip in the table would give two keys one code: a held key would seem to be another.
  std::set<int> seen;
  for (char c = 'A'; c <= 'Z'; ++c) {
    const std::string code = Code("Key", std::string(1, c));
    seen.insert(ScanCodeOfKeyCode(code.c_str()));
    // And back, for the layout's name of the key in the menu.
    EXPECT_STREQ(host::web::KeyCodeOfScanCode(ScanCodeOfKeyCode(code.c_str())), code.c_str());
  }
  for (char c = '0'; c <= '9'; ++c)
    seen.insert(ScanCodeOfKeyCode(Code("Digit", std::string(1, c)).c_str()));
  for (int n = 1; n <= 12; ++n)
    seen.insert(ScanCodeOfKeyCode(Code("F", std::to_string(n)).c_str()));
  EXPECT_EQ(seen.size(), 26u + 10u + 12u);
  EXPECT_EQ(seen.count(0), 0u);
  EXPECT_EQ(ScanCodeOfKeyCode("KeyQ"), DIK_Q);
  EXPECT_EQ(ScanCodeOfKeyCode("KeyZ"), DIK_Z);
  EXPECT_EQ(ScanCodeOfKeyCode("Digit0"), DIK_0);
}

TEST(WebKeys, UnknownKeysGiveNothing) {
  for (const char* code : {"", "Fn", "Lang1", "arrowleft", "ArrowLeftX", "MediaPlayPause"})
    EXPECT_EQ(ScanCodeOfKeyCode(code), 0) << code;
}

TEST(WebKeys, OnlyKeysThatWouldMoveThePageAreKeptFromTheBrowser) {
  for (const char* code :
       {"ArrowUp", "ArrowDown", "Space", "F1", "F4", "Tab", "F11", "PrintScreen"})
    EXPECT_TRUE(KeepFromBrowser(code)) << code;
  // Reload, the developer tools and typing stay the browser's.
  for (const char* code : {"F5", "F12", "KeyR", "ControlLeft", "Escape", "Unknown"})
    EXPECT_FALSE(KeepFromBrowser(code)) << code;
}

// A pad reading with `buttons` pressed.
struct Pad {
  std::vector<double> axes = {0, 0, 0, 0};
  std::vector<uint8_t> held = std::vector<uint8_t>(17, 0);
  bool standard = true;
  bool buttons[64] = {};

  PadState State() {
    for (size_t i = 0; i < held.size(); ++i) buttons[i] = held[i] != 0;
    PadState state;
    state.name = "Test Pad";
    state.standard = standard;
    state.axes = axes.data();
    state.axis_count = static_cast<int>(axes.size());
    state.buttons = buttons;
    state.button_count = static_cast<int>(held.size());
    return state;
  }
};

TEST(WebPad, WithoutAPadTheJoystickIsThereButIdle) {
  host::Joystick none = host::web::NoPad();
  EXPECT_TRUE(none.present);
  EXPECT_FALSE(none.name.empty());
  EXPECT_EQ(none.axis_x, 0);
  EXPECT_EQ(none.axis_y, 0);
  for (uint8_t button : none.buttons) EXPECT_EQ(button, 0);
}

TEST(WebPad, StandardButtonsFireAndLayMines) {
  Pad pad;
  host::Joystick idle = host::web::PadJoystick(pad.State(), kDefaults);
  EXPECT_TRUE(idle.present);
  EXPECT_EQ(idle.name, "Test Pad");
  EXPECT_EQ(idle.buttons[0], 0);
  EXPECT_EQ(idle.buttons[1], 0);

  pad.held[0] = 1;  // south
  EXPECT_EQ(host::web::PadJoystick(pad.State(), kDefaults).buttons[0], 0x80);
  pad.held[0] = 0;
  for (int mine : {1, 2}) {  // east, west
    pad.held[mine] = 1;
    host::Joystick stick = host::web::PadJoystick(pad.State(), kDefaults);
    EXPECT_EQ(stick.buttons[0], 0) << mine;
    EXPECT_EQ(stick.buttons[1], 0x80) << mine;
    pad.held[mine] = 0;
  }
  pad.held[3] = 1;  // north means nothing to the game
  host::Joystick north = host::web::PadJoystick(pad.State(), kDefaults);
  EXPECT_EQ(north.buttons[0] | north.buttons[1] | north.buttons[3], 0);
}

TEST(WebPad, StickScalesAndTheDpadWins) {
  Pad pad;
  pad.axes = {1.0, -0.5, 0, 0};
  host::Joystick stick = host::web::PadJoystick(pad.State(), kDefaults);
  EXPECT_EQ(stick.axis_x, 32767);
  EXPECT_EQ(stick.axis_y, -16384);

  pad.axes = {2.5, std::nan(""), 0, 0};  // out of range, and a broken reading
  stick = host::web::PadJoystick(pad.State(), kDefaults);
  EXPECT_EQ(stick.axis_x, 32767);
  EXPECT_EQ(stick.axis_y, 0);

  pad.axes = {0.9, 0.9, 0, 0};
  pad.held[14] = 1;  // d-pad left against the stick pushed right
  pad.held[12] = 1;  // and up against it pushed down
  stick = host::web::PadJoystick(pad.State(), kDefaults);
  EXPECT_EQ(stick.axis_x, -32768);
  EXPECT_EQ(stick.axis_y, -32768);
  pad.held = std::vector<uint8_t>(17, 0);
  pad.held[15] = pad.held[13] = 1;  // right, down
  stick = host::web::PadJoystick(pad.State(), kDefaults);
  EXPECT_EQ(stick.axis_x, 32767);
  EXPECT_EQ(stick.axis_y, 32767);

  pad.axes = {0.25};  // a pad with one axis
  pad.held = std::vector<uint8_t>(17, 0);
  stick = host::web::PadJoystick(pad.State(), kDefaults);
  EXPECT_EQ(stick.axis_x, 8192);
  EXPECT_EQ(stick.axis_y, 0);
}

TEST(WebPad, UnknownLayoutsPassThrough) {
  Pad pad;
  pad.standard = false;
  pad.axes = {-1.0, 0.5};
  pad.held = std::vector<uint8_t>(40, 0);  // more buttons than the game's 32
  pad.held[2] = pad.held[31] = pad.held[39] = 1;
  pad.held[9] = pad.held[8] = 1;  // would be Start and Back on a standard pad
  PadState state = pad.State();
  host::Joystick stick = host::web::PadJoystick(state, kDefaults);
  EXPECT_EQ(stick.axis_x, -32767);
  EXPECT_EQ(stick.axis_y, 16384);
  EXPECT_EQ(stick.buttons[2], 0x80);
  EXPECT_EQ(stick.buttons[31], 0x80);
  EXPECT_EQ(stick.buttons[9], 0x80);
  EXPECT_EQ(stick.buttons[0], 0);
  EXPECT_FALSE(host::web::PadHeld(state, kDefaults, host::common::PadAction::kStart));
  EXPECT_FALSE(host::web::PadHeld(state, kDefaults, host::common::PadAction::kQuit));

  pad.standard = true;
  EXPECT_TRUE(host::web::PadHeld(pad.State(), kDefaults, host::common::PadAction::kStart));
  EXPECT_TRUE(host::web::PadHeld(pad.State(), kDefaults, host::common::PadAction::kQuit));
}

TEST(WebPad, ButtonsFollowTheSettings) {
  host::common::Settings settings;
  settings.pad[size_t(host::common::PadAction::kFire)] = {host::common::PadButton::kNorth};
  settings.pad[size_t(host::common::PadAction::kMine)] = {host::common::PadButton::kRightShoulder};
  settings.pad[size_t(host::common::PadAction::kStart)] = {host::common::PadButton::kGuide};
  Pad pad;
  pad.held = std::vector<uint8_t>(17, 0);
  pad.held[0] = pad.held[1] = pad.held[2] = pad.held[9] = 1;  // the default buttons
  host::Joystick stick = host::web::PadJoystick(pad.State(), settings);
  EXPECT_EQ(stick.buttons[0] | stick.buttons[1], 0);
  EXPECT_FALSE(host::web::PadHeld(pad.State(), settings, host::common::PadAction::kStart));
  pad.held[3] = pad.held[5] = pad.held[16] = 1;  // north, right shoulder, guide
  stick = host::web::PadJoystick(pad.State(), settings);
  EXPECT_EQ(stick.buttons[0], 0x80);
  EXPECT_EQ(stick.buttons[1], 0x80);
  EXPECT_TRUE(host::web::PadHeld(pad.State(), settings, host::common::PadAction::kStart));
}

}  // namespace

// In the menu each press counts once, however long it is held; a binding takes the first new
// button by the settings' names.
namespace {

TEST(WebPad, TheMenuSeesEachPressOnce) {
  using host::common::MenuPress;
  Pad pad;
  host::web::PadMenuReader reader;
  std::vector<MenuPress> presses;
  std::optional<host::common::PadButton> pressed;
  pad.held[13] = 1;   // d-pad down
  pad.axes[1] = 0.9;  // and the stick
  reader.Read(pad.State(), &presses, &pressed);
  EXPECT_EQ(presses, (std::vector<MenuPress>{MenuPress::kDown, MenuPress::kDown}));
  reader.Read(pad.State(), &presses, &pressed);
  EXPECT_TRUE(presses.empty());  // still held
  pad.held[13] = 0;
  pad.axes[1] = 0;
  pad.held[1] = 1;  // east
  reader.Read(pad.State(), &presses, &pressed);
  EXPECT_EQ(presses, std::vector<MenuPress>{MenuPress::kBack});
  EXPECT_EQ(pressed, host::common::PadButton::kEast);
  pad.held[9] = 1;  // start, with east still held
  reader.Read(pad.State(), &presses, &pressed);
  EXPECT_EQ(pressed, host::common::PadButton::kStart);
}

}  // namespace
