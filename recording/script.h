// Input scripts of the headless runner: key, joystick axis and button events by frame. A
// recording of a real game (ferrowyn --record) is a script too, with its format's version, the
// clock's first reading, the number of frames played and the world's checksum now and then.
#pragma once
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "host/host.h"

namespace recording {

struct ScriptEvent {
  enum Kind { kKey, kAxis, kButton };
  long long frame = 0;  // takes effect before this frame runs
  Kind kind = kKey;
  int code = 0;       // scan code, axis (0 = x, 1 = y) or button number
  bool down = false;  // keys and buttons
  int value = 0;      // axes, in the game's range
  int line = 0;       // where it came from, for messages
};

// The world's checksum (WorldChecksum) before frame `frame` runs.
struct ScriptCheck {
  long long frame = 0;
  uint64_t checksum = 0;
  int line = 0;
};

// The recording format this program writes and reads; a script without a version line is
// read as this one.
constexpr int kScriptVersion = 1;

struct Script {
  std::optional<std::string> joystick_name;  // a joystick is attached when set
  std::vector<ScriptEvent> events;           // in frame order, file order within a frame
  std::vector<ScriptCheck> checks;           // in frame order
  std::optional<uint32_t> start_tick;        // the clock's first reading when recorded
  std::optional<long long> frames;           // how many frames the recording played
  bool recorded = false;                     // has a version line: written by --record
};

// How many frames a script plays: its frames line, else (a recording cut short, the game
// stopped while recording) up to its last line; nothing for a script with neither.
std::optional<long long> PlayedFrames(const Script& script);

// The host's raw joystick reading (-32768..32767) that the input stand-in scales back to
// exactly `value` in the game's -16..16.
int32_t RawAxis(int value);

// Feeds a script's events, frame by frame, to whatever holds the keys and the stick.
class ScriptPlayer {
 public:
  explicit ScriptPlayer(const Script& script);
  // Applies every event up to and including `frame`: keys through `set_key`; returns true when
  // the joystick (Stick) changed.
  template <class SetKey>
  bool Advance(long long frame, SetKey&& set_key);
  const host::Joystick& Stick() const { return stick_; }
  // The checksum recorded for the world before `frame`, when there is one.
  std::optional<uint64_t> CheckAt(long long frame);

 private:
  const Script& script_;
  host::Joystick stick_;
  size_t next_event_ = 0;
  size_t next_check_ = 0;
};

// Writes a recording as it is played: events and checks in frame order, flushed as it goes so
// that a crash keeps what came before.
class ScriptRecorder {
 public:
  // False when the file cannot be written.
  bool Open(const std::string& path);
  // The clock's first reading by the game: the runner starts its clock there, so the game
  // seeds its random draws alike.
  void StartTick(uint32_t tick);
  void Joystick(const std::string& name);
  void Key(long long frame, int code, bool down);
  void Axis(long long frame, int axis, int value);
  void Button(long long frame, int button, bool down);
  void Check(long long frame, uint64_t checksum);
  // Ends with the number of frames played; false if anything failed to reach the file.
  bool Close(long long frames);

 private:
  void Line(const std::string& text);
  std::FILE* file_ = nullptr;
  bool ok_ = true;
};

// Parses script text. On a bad line returns false with "<source>:<line>: <reason>" in `error`.
bool ParseScript(const std::string& text, const std::string& source, Script* script,
                 std::string* error);
bool LoadScript(const std::string& path, Script* script, std::string* error);

template <class SetKey>
bool ScriptPlayer::Advance(long long frame, SetKey&& set_key) {
  bool stick_moved = false;
  const auto& events = script_.events;
  for (; next_event_ < events.size() && events[next_event_].frame <= frame; ++next_event_) {
    const ScriptEvent& e = events[next_event_];
    switch (e.kind) {
      case ScriptEvent::kKey:
        set_key(e.code, e.down);
        break;
      case ScriptEvent::kAxis:
        (e.code == 0 ? stick_.axis_x : stick_.axis_y) = RawAxis(e.value);
        stick_moved = true;
        break;
      case ScriptEvent::kButton:
        stick_.buttons[e.code] = e.down ? 0x80 : 0;
        stick_moved = true;
        break;
    }
  }
  return stick_moved;
}

}  // namespace recording
