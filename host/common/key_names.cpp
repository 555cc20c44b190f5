#include "host/common/key_names.h"

#include <algorithm>
#include <cctype>

#include "host/common/scan_codes.h"

namespace host::common {

const std::vector<KeyName>& KeyNames() {
  static const std::vector<KeyName> names = {
      {"ESCAPE", kDikEscape},
      {"1", kDik1},
      {"2", kDik2},
      {"3", kDik3},
      {"4", kDik4},
      {"5", kDik5},
      {"6", kDik6},
      {"7", kDik7},
      {"8", kDik8},
      {"9", kDik9},
      {"0", kDik0},
      {"MINUS", kDikMinus},
      {"EQUALS", kDikEquals},
      {"BACK", kDikBack},
      {"TAB", kDikTab},
      {"Q", kDikQ},
      {"W", kDikW},
      {"E", kDikE},
      {"R", kDikR},
      {"T", kDikT},
      {"Y", kDikY},
      {"U", kDikU},
      {"I", kDikI},
      {"O", kDikO},
      {"P", kDikP},
      {"LBRACKET", kDikLBracket},
      {"RBRACKET", kDikRBracket},
      {"RETURN", kDikReturn},
      {"LCONTROL", kDikLControl},
      {"A", kDikA},
      {"S", kDikS},
      {"D", kDikD},
      {"F", kDikF},
      {"G", kDikG},
      {"H", kDikH},
      {"J", kDikJ},
      {"K", kDikK},
      {"L", kDikL},
      {"SEMICOLON", kDikSemicolon},
      {"APOSTROPHE", kDikApostrophe},
      {"GRAVE", kDikGrave},
      {"LSHIFT", kDikLShift},
      {"BACKSLASH", kDikBackslash},
      {"Z", kDikZ},
      {"X", kDikX},
      {"C", kDikC},
      {"V", kDikV},
      {"B", kDikB},
      {"N", kDikN},
      {"M", kDikM},
      {"COMMA", kDikComma},
      {"PERIOD", kDikPeriod},
      {"SLASH", kDikSlash},
      {"RSHIFT", kDikRShift},
      {"MULTIPLY", kDikMultiply},
      {"LMENU", kDikLMenu},
      {"SPACE", kDikSpace},
      {"CAPITAL", kDikCapital},
      {"F1", kDikF1},
      {"F2", kDikF2},
      {"F3", kDikF3},
      {"F4", kDikF4},
      {"F5", kDikF5},
      {"F6", kDikF6},
      {"F7", kDikF7},
      {"F8", kDikF8},
      {"F9", kDikF9},
      {"F10", kDikF10},
      {"NUMLOCK", kDikNumLock},
      {"SCROLL", kDikScroll},
      {"NUMPAD7", kDikNumpad7},
      {"NUMPAD8", kDikNumpad8},
      {"NUMPAD9", kDikNumpad9},
      {"SUBTRACT", kDikSubtract},
      {"NUMPAD4", kDikNumpad4},
      {"NUMPAD5", kDikNumpad5},
      {"NUMPAD6", kDikNumpad6},
      {"ADD", kDikAdd},
      {"NUMPAD1", kDikNumpad1},
      {"NUMPAD2", kDikNumpad2},
      {"NUMPAD3", kDikNumpad3},
      {"NUMPAD0", kDikNumpad0},
      {"DECIMAL", kDikDecimal},
      {"OEM_102", kDikOem102},
      {"F11", kDikF11},
      {"F12", kDikF12},
      {"F13", kDikF13},
      {"F14", kDikF14},
      {"F15", kDikF15},
      {"NUMPADEQUALS", kDikNumpadEquals},
      {"NUMPADENTER", kDikNumpadEnter},
      {"RCONTROL", kDikRControl},
      {"DIVIDE", kDikDivide},
      {"SYSRQ", kDikSysRq},
      {"RMENU", kDikRMenu},
      {"PAUSE", kDikPause},
      {"HOME", kDikHome},
      {"UP", kDikUp},
      {"PRIOR", kDikPrior},
      {"LEFT", kDikLeft},
      {"RIGHT", kDikRight},
      {"END", kDikEnd},
      {"DOWN", kDikDown},
      {"NEXT", kDikNext},
      {"INSERT", kDikInsert},
      {"DELETE", kDikDelete},
      {"LWIN", kDikLWin},
      {"RWIN", kDikRWin},
      {"APPS", kDikApps},
  };
  return names;
}

int ScanCodeOf(const std::string& name) {
  std::string upper = name;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return char(std::toupper(c)); });
  for (const KeyName& key : KeyNames())
    if (upper == key.name) return key.code;
  return -1;
}

std::string NameOfScanCode(int code) {
  for (const KeyName& key : KeyNames())
    if (key.code == code) return key.name;
  return "";
}

}  // namespace host::common
