#include "tools/headless/script.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

namespace runner {

namespace {

// DirectInput scan codes (the keyboard's set-1 codes; extended keys have bit 7 set).
struct KeyName {
  const char* name;
  int code;
};
constexpr KeyName kKeys[] = {
    {"ESCAPE", 0x01}, {"1", 0x02},     {"2", 0x03},        {"3", 0x04},      {"4", 0x05},
    {"5", 0x06},      {"6", 0x07},     {"7", 0x08},        {"8", 0x09},      {"9", 0x0A},
    {"0", 0x0B},      {"BACK", 0x0E},  {"TAB", 0x0F},      {"Q", 0x10},      {"W", 0x11},
    {"E", 0x12},      {"R", 0x13},     {"T", 0x14},        {"Y", 0x15},      {"U", 0x16},
    {"I", 0x17},      {"O", 0x18},     {"P", 0x19},        {"RETURN", 0x1C}, {"LCONTROL", 0x1D},
    {"A", 0x1E},      {"S", 0x1F},     {"D", 0x20},        {"F", 0x21},      {"G", 0x22},
    {"H", 0x23},      {"J", 0x24},     {"K", 0x25},        {"L", 0x26},      {"LSHIFT", 0x2A},
    {"Z", 0x2C},      {"X", 0x2D},     {"C", 0x2E},        {"V", 0x2F},      {"B", 0x30},
    {"N", 0x31},      {"M", 0x32},     {"RSHIFT", 0x36},   {"LMENU", 0x38},  {"SPACE", 0x39},
    {"F1", 0x3B},     {"F2", 0x3C},    {"F3", 0x3D},       {"F4", 0x3E},     {"F5", 0x3F},
    {"F6", 0x40},     {"F7", 0x41},    {"F8", 0x42},       {"F9", 0x43},     {"F10", 0x44},
    {"F11", 0x57},    {"F12", 0x58},   {"RCONTROL", 0x9D}, {"RMENU", 0xB8},  {"UP", 0xC8},
    {"LEFT", 0xCB},   {"RIGHT", 0xCD}, {"DOWN", 0xD0},
};

constexpr int kAxisLimit = 16;  // the range the game gives both stick axes

// Splits a line into words; a double-quoted word may hold spaces and '#'. Stops at a comment.
bool SplitWords(const std::string& line, std::vector<std::string>* words, std::string* error) {
  size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (c == '#') break;
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
      continue;
    }
    if (c == '"') {
      size_t close = line.find('"', i + 1);
      if (close == std::string::npos) {
        *error = "unterminated quoted name";
        return false;
      }
      words->push_back(line.substr(i, close + 1 - i));
      i = close + 1;
      continue;
    }
    size_t end = line.find_first_of(" \t\r#\"", i);
    if (end == std::string::npos) end = line.size();
    words->push_back(line.substr(i, end - i));
    i = end;
  }
  return true;
}

bool ToInt(const std::string& text, long long* out) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, *out);
  return !text.empty() && ec == std::errc() && ptr == end;
}

// One line into zero or more events; false with a reason.
bool ParseLine(const std::vector<std::string>& w, int line, Script* script, std::string* error) {
  if (w[0] == "joystick") {
    if (w.size() != 2 || w[1].size() < 2 || w[1].front() != '"') {
      *error = "expected: joystick \"Name\"";
      return false;
    }
    if (script->joystick_name) {
      *error = "joystick given twice";
      return false;
    }
    script->joystick_name = w[1].substr(1, w[1].size() - 2);
    return true;
  }
  ScriptEvent e;
  e.line = line;
  long long frame = 0;
  if (!ToInt(w[0], &frame) || frame < 0) {
    *error = "expected a frame number (0 or more) or 'joystick', got '" + w[0] + "'";
    return false;
  }
  e.frame = frame;
  if (w.size() < 2) {
    *error = "missing event after the frame number";
    return false;
  }
  const std::string& verb = w[1];
  if (verb == "down" || verb == "up" || verb == "tap") {
    if (w.size() != 3) {
      *error = "expected: <n> " + verb + " KEY";
      return false;
    }
    e.kind = ScriptEvent::kKey;
    e.code = ScanCodeOf(w[2]);
    if (e.code < 0) {
      *error = "unknown key '" + w[2] + "'";
      return false;
    }
    e.down = verb != "up";
    script->events.push_back(e);
    if (verb == "tap") {
      e.frame = frame + 1;
      e.down = false;
      script->events.push_back(e);
    }
    return true;
  }
  if (verb == "axis") {
    long long value = 0;
    if (w.size() != 4 || (w[2] != "x" && w[2] != "y") || !ToInt(w[3], &value)) {
      *error = "expected: <n> axis x|y VALUE";
      return false;
    }
    if (value < -kAxisLimit || value > kAxisLimit) {
      *error = "axis value " + w[3] + " outside -16..16";
      return false;
    }
    e.kind = ScriptEvent::kAxis;
    e.code = w[2] == "x" ? 0 : 1;
    e.value = static_cast<int>(value);
    script->events.push_back(e);
    return true;
  }
  if (verb == "button") {
    long long button = 0;
    if (w.size() != 4 || !ToInt(w[2], &button) || (w[3] != "down" && w[3] != "up")) {
      *error = "expected: <n> button B down|up";
      return false;
    }
    if (button < 0 || button > 31) {
      *error = "button " + w[2] + " outside 0..31";
      return false;
    }
    e.kind = ScriptEvent::kButton;
    e.code = static_cast<int>(button);
    e.down = w[3] == "down";
    script->events.push_back(e);
    return true;
  }
  *error = "unknown event '" + verb + "'";
  return false;
}

}  // namespace

int ScanCodeOf(const std::string& name) {
  for (const KeyName& key : kKeys) {
    if (name == key.name) return key.code;
  }
  return -1;
}

bool ParseScript(const std::string& text, const std::string& source, Script* script,
                 std::string* error) {
  Script parsed;
  std::istringstream in(text);
  std::string line;
  int number = 0;
  int first_stick_line = 0;
  while (std::getline(in, line)) {
    ++number;
    std::vector<std::string> words;
    std::string reason;
    if (!SplitWords(line, &words, &reason) ||
        (!words.empty() && !ParseLine(words, number, &parsed, &reason))) {
      *error = source + ":" + std::to_string(number) + ": " + reason;
      return false;
    }
    if (!first_stick_line && !parsed.events.empty() &&
        parsed.events.back().kind != ScriptEvent::kKey && parsed.events.back().line == number) {
      first_stick_line = number;
    }
  }
  if (first_stick_line && !parsed.joystick_name) {
    *error = source + ":" + std::to_string(first_stick_line) +
             ": joystick event, but no 'joystick \"Name\"' line attaches one";
    return false;
  }
  std::stable_sort(parsed.events.begin(), parsed.events.end(),
                   [](const ScriptEvent& a, const ScriptEvent& b) { return a.frame < b.frame; });
  *script = std::move(parsed);
  return true;
}

bool LoadScript(const std::string& path, Script* script, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    *error = path + ": cannot be read";
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  return ParseScript(text.str(), path, script, error);
}

}  // namespace runner
