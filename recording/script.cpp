#include "recording/script.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

#include "host/common/key_names.h"

namespace recording {

namespace {

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
  if (w[0] == "version" || w[0] == "start-tick" || w[0] == "frames") {
    long long value = 0;
    if (w.size() != 2 || !ToInt(w[1], &value) || value < 0 || value > 0xFFFFFFFFll) {
      *error = "expected: " + w[0] + " N";
      return false;
    }
    if (w[0] == "version" && value != kScriptVersion) {
      *error = "recorded in format " + w[1] +
               " by another version of Ferrowyn; this one reads "
               "format " +
               std::to_string(kScriptVersion);
      return false;
    }
    if (w[0] == "version") script->recorded = true;
    if (w[0] == "start-tick") script->start_tick = static_cast<uint32_t>(value);
    if (w[0] == "frames") script->frames = value;
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
    e.code = host::common::ScanCodeOf(w[2]);
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
  if (verb == "check") {
    uint64_t checksum = 0;
    const std::string& hex = w.size() == 3 ? w[2] : "";
    auto [end, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), checksum, 16);
    if (hex.empty() || ec != std::errc() || end != hex.data() + hex.size()) {
      *error = "expected: <n> check HEX";
      return false;
    }
    script->checks.push_back({frame, checksum, line});
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
  std::stable_sort(parsed.checks.begin(), parsed.checks.end(),
                   [](const ScriptCheck& a, const ScriptCheck& b) { return a.frame < b.frame; });
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

int32_t RawAxis(int value) {
  // The centre of the raw interval that the stand-in's linear scaling maps to `value`.
  const int64_t offset = (int64_t{value + kAxisLimit} * 65535 + kAxisLimit) / (2 * kAxisLimit);
  return static_cast<int32_t>(offset - 32768);
}

ScriptPlayer::ScriptPlayer(const Script& script) : script_(script) {
  if (script.joystick_name) {
    stick_.present = true;
    stick_.name = *script.joystick_name;
  }
}

std::optional<uint64_t> ScriptPlayer::CheckAt(long long frame) {
  const auto& checks = script_.checks;
  while (next_check_ < checks.size() && checks[next_check_].frame < frame) ++next_check_;
  if (next_check_ < checks.size() && checks[next_check_].frame == frame)
    return checks[next_check_].checksum;
  return std::nullopt;
}

std::optional<long long> PlayedFrames(const Script& script) {
  if (script.frames) return script.frames;
  if (!script.recorded) return std::nullopt;
  long long last = -1;
  for (const ScriptEvent& e : script.events) last = std::max(last, e.frame);
  for (const ScriptCheck& c : script.checks) last = std::max(last, c.frame);
  return last + 1;
}

bool ScriptRecorder::Open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "w");
  if (!file_) return false;
  Line(
      "# A game of Ferrowyn as it was played: the input, frame by frame, and the world's\n"
      "# checksum now and then. Play it back with ferrowyn --replay FILE or\n"
      "# ferrowyn-headless --replay FILE.\n"
      "version " +
      std::to_string(kScriptVersion) + "\n");
  return ok_;
}

void ScriptRecorder::StartTick(uint32_t tick) {
  Line("start-tick " + std::to_string(tick) + "\n");
}

void ScriptRecorder::Joystick(const std::string& name) {
  // The script's quoting has no escapes: a name keeps what it can say.
  std::string safe = name;
  std::replace(safe.begin(), safe.end(), '"', '\'');
  Line("joystick \"" + safe + "\"\n");
}

void ScriptRecorder::Key(long long frame, int code, bool down) {
  Line(std::to_string(frame) + (down ? " down " : " up ") + host::common::NameOfScanCode(code) +
       "\n");
}

void ScriptRecorder::Axis(long long frame, int axis, int value) {
  Line(std::to_string(frame) + (axis == 0 ? " axis x " : " axis y ") + std::to_string(value) +
       "\n");
}

void ScriptRecorder::Button(long long frame, int button, bool down) {
  Line(std::to_string(frame) + " button " + std::to_string(button) + (down ? " down\n" : " up\n"));
}

void ScriptRecorder::Check(long long frame, uint64_t checksum) {
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(checksum));
  Line(std::to_string(frame) + " check " + hex + "\n");
}

bool ScriptRecorder::Close(long long frames) {
  if (!file_) return ok_;
  Line("frames " + std::to_string(frames) + "\n");
  if (std::fclose(file_) != 0) ok_ = false;
  file_ = nullptr;
  return ok_;
}

void ScriptRecorder::Line(const std::string& text) {
  if (!file_) return;
  if (std::fputs(text.c_str(), file_) < 0 || std::fflush(file_) != 0) ok_ = false;
}

}  // namespace recording
