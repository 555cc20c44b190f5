// Input scripts of the headless runner: key, joystick axis and button events by frame.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace runner {

struct ScriptEvent {
  enum Kind { kKey, kAxis, kButton };
  long long frame = 0;  // takes effect before this frame runs
  Kind kind = kKey;
  int code = 0;       // scan code, axis (0 = x, 1 = y) or button number
  bool down = false;  // keys and buttons
  int value = 0;      // axes, in the game's range
  int line = 0;       // where it came from, for messages
};

struct Script {
  std::optional<std::string> joystick_name;  // a joystick is attached when set
  std::vector<ScriptEvent> events;           // in frame order, file order within a frame
};

// The scan code of a key name ("SPACE", "F1", "A"), or -1.
int ScanCodeOf(const std::string& name);

// Parses script text. On a bad line returns false with "<source>:<line>: <reason>" in `error`.
bool ParseScript(const std::string& text, const std::string& source, Script* script,
                 std::string* error);
bool LoadScript(const std::string& path, Script* script, std::string* error);

}  // namespace runner
