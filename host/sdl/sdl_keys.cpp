#include "host/sdl/sdl_keys.h"

#include <SDL_keyboard.h>

#include <array>
#include <utility>

#include "host/common/key_names.h"
#include "host/common/scan_codes.h"

namespace host::sdl {
namespace {

// Physical keys to DirectInput scan codes: every key of a standard PC keyboard.
constexpr std::pair<SDL_Scancode, uint8_t> kKeyPairs[] = {
    {SDL_SCANCODE_ESCAPE, common::kDikEscape},
    {SDL_SCANCODE_1, common::kDik1},
    {SDL_SCANCODE_2, common::kDik2},
    {SDL_SCANCODE_3, common::kDik3},
    {SDL_SCANCODE_4, common::kDik4},
    {SDL_SCANCODE_5, common::kDik5},
    {SDL_SCANCODE_6, common::kDik6},
    {SDL_SCANCODE_7, common::kDik7},
    {SDL_SCANCODE_8, common::kDik8},
    {SDL_SCANCODE_9, common::kDik9},
    {SDL_SCANCODE_0, common::kDik0},
    {SDL_SCANCODE_MINUS, common::kDikMinus},
    {SDL_SCANCODE_EQUALS, common::kDikEquals},
    {SDL_SCANCODE_BACKSPACE, common::kDikBack},
    {SDL_SCANCODE_TAB, common::kDikTab},
    {SDL_SCANCODE_Q, common::kDikQ},
    {SDL_SCANCODE_W, common::kDikW},
    {SDL_SCANCODE_E, common::kDikE},
    {SDL_SCANCODE_R, common::kDikR},
    {SDL_SCANCODE_T, common::kDikT},
    {SDL_SCANCODE_Y, common::kDikY},
    {SDL_SCANCODE_U, common::kDikU},
    {SDL_SCANCODE_I, common::kDikI},
    {SDL_SCANCODE_O, common::kDikO},
    {SDL_SCANCODE_P, common::kDikP},
    {SDL_SCANCODE_LEFTBRACKET, common::kDikLBracket},
    {SDL_SCANCODE_RIGHTBRACKET, common::kDikRBracket},
    {SDL_SCANCODE_RETURN, common::kDikReturn},
    {SDL_SCANCODE_LCTRL, common::kDikLControl},
    {SDL_SCANCODE_A, common::kDikA},
    {SDL_SCANCODE_S, common::kDikS},
    {SDL_SCANCODE_D, common::kDikD},
    {SDL_SCANCODE_F, common::kDikF},
    {SDL_SCANCODE_G, common::kDikG},
    {SDL_SCANCODE_H, common::kDikH},
    {SDL_SCANCODE_J, common::kDikJ},
    {SDL_SCANCODE_K, common::kDikK},
    {SDL_SCANCODE_L, common::kDikL},
    {SDL_SCANCODE_SEMICOLON, common::kDikSemicolon},
    {SDL_SCANCODE_APOSTROPHE, common::kDikApostrophe},
    {SDL_SCANCODE_GRAVE, common::kDikGrave},
    {SDL_SCANCODE_LSHIFT, common::kDikLShift},
    {SDL_SCANCODE_BACKSLASH, common::kDikBackslash},
    {SDL_SCANCODE_NONUSHASH, common::kDikBackslash},  // the ISO key in the same place
    {SDL_SCANCODE_Z, common::kDikZ},
    {SDL_SCANCODE_X, common::kDikX},
    {SDL_SCANCODE_C, common::kDikC},
    {SDL_SCANCODE_V, common::kDikV},
    {SDL_SCANCODE_B, common::kDikB},
    {SDL_SCANCODE_N, common::kDikN},
    {SDL_SCANCODE_M, common::kDikM},
    {SDL_SCANCODE_COMMA, common::kDikComma},
    {SDL_SCANCODE_PERIOD, common::kDikPeriod},
    {SDL_SCANCODE_SLASH, common::kDikSlash},
    {SDL_SCANCODE_RSHIFT, common::kDikRShift},
    {SDL_SCANCODE_KP_MULTIPLY, common::kDikMultiply},
    {SDL_SCANCODE_LALT, common::kDikLMenu},
    {SDL_SCANCODE_SPACE, common::kDikSpace},
    {SDL_SCANCODE_CAPSLOCK, common::kDikCapital},
    {SDL_SCANCODE_F1, common::kDikF1},
    {SDL_SCANCODE_F2, common::kDikF2},
    {SDL_SCANCODE_F3, common::kDikF3},
    {SDL_SCANCODE_F4, common::kDikF4},
    {SDL_SCANCODE_F5, common::kDikF5},
    {SDL_SCANCODE_F6, common::kDikF6},
    {SDL_SCANCODE_F7, common::kDikF7},
    {SDL_SCANCODE_F8, common::kDikF8},
    {SDL_SCANCODE_F9, common::kDikF9},
    {SDL_SCANCODE_F10, common::kDikF10},
    {SDL_SCANCODE_NUMLOCKCLEAR, common::kDikNumLock},
    {SDL_SCANCODE_SCROLLLOCK, common::kDikScroll},
    {SDL_SCANCODE_KP_7, common::kDikNumpad7},
    {SDL_SCANCODE_KP_8, common::kDikNumpad8},
    {SDL_SCANCODE_KP_9, common::kDikNumpad9},
    {SDL_SCANCODE_KP_MINUS, common::kDikSubtract},
    {SDL_SCANCODE_KP_4, common::kDikNumpad4},
    {SDL_SCANCODE_KP_5, common::kDikNumpad5},
    {SDL_SCANCODE_KP_6, common::kDikNumpad6},
    {SDL_SCANCODE_KP_PLUS, common::kDikAdd},
    {SDL_SCANCODE_KP_1, common::kDikNumpad1},
    {SDL_SCANCODE_KP_2, common::kDikNumpad2},
    {SDL_SCANCODE_KP_3, common::kDikNumpad3},
    {SDL_SCANCODE_KP_0, common::kDikNumpad0},
    {SDL_SCANCODE_KP_PERIOD, common::kDikDecimal},
    {SDL_SCANCODE_NONUSBACKSLASH, common::kDikOem102},
    {SDL_SCANCODE_F11, common::kDikF11},
    {SDL_SCANCODE_F12, common::kDikF12},
    {SDL_SCANCODE_F13, common::kDikF13},
    {SDL_SCANCODE_F14, common::kDikF14},
    {SDL_SCANCODE_F15, common::kDikF15},
    {SDL_SCANCODE_KP_EQUALS, common::kDikNumpadEquals},
    {SDL_SCANCODE_KP_ENTER, common::kDikNumpadEnter},
    {SDL_SCANCODE_RCTRL, common::kDikRControl},
    {SDL_SCANCODE_KP_DIVIDE, common::kDikDivide},
    {SDL_SCANCODE_PRINTSCREEN, common::kDikSysRq},
    {SDL_SCANCODE_RALT, common::kDikRMenu},
    {SDL_SCANCODE_PAUSE, common::kDikPause},
    {SDL_SCANCODE_HOME, common::kDikHome},
    {SDL_SCANCODE_UP, common::kDikUp},
    {SDL_SCANCODE_PAGEUP, common::kDikPrior},
    {SDL_SCANCODE_LEFT, common::kDikLeft},
    {SDL_SCANCODE_RIGHT, common::kDikRight},
    {SDL_SCANCODE_END, common::kDikEnd},
    {SDL_SCANCODE_DOWN, common::kDikDown},
    {SDL_SCANCODE_PAGEDOWN, common::kDikNext},
    {SDL_SCANCODE_INSERT, common::kDikInsert},
    {SDL_SCANCODE_DELETE, common::kDikDelete},
    {SDL_SCANCODE_LGUI, common::kDikLWin},
    {SDL_SCANCODE_RGUI, common::kDikRWin},
    {SDL_SCANCODE_APPLICATION, common::kDikApps},
};

constexpr std::array<uint8_t, SDL_NUM_SCANCODES> MakeKeyTable() {
  std::array<uint8_t, SDL_NUM_SCANCODES> table = {};
  for (const auto& [scancode, dik] : kKeyPairs) table[scancode] = dik;
  return table;
}
constexpr std::array<uint8_t, SDL_NUM_SCANCODES> kKeyTable = MakeKeyTable();

}  // namespace

uint8_t DirectInputKey(SDL_Scancode scancode) {
  if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return 0;
  return kKeyTable[scancode];
}

std::string KeyLabel(uint8_t scan_code) {
  for (const auto& [scancode, dik] : kKeyPairs) {
    if (dik != scan_code) continue;
    const char* name = SDL_GetKeyName(SDL_GetKeyFromScancode(scancode));
    if (name && *name) return name;
  }
  return common::NameOfScanCode(scan_code);
}

}  // namespace host::sdl
