// The player's settings: what they are, their defaults, and the text file that keeps them
// between runs. No platform in here, so every host reads and writes them alike.
#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace host {

// What a key can be bound to. The first nine reach the game as its own keys; the last three
// the host handles itself.
enum class Action {
  kUp,
  kDown,
  kLeft,
  kRight,
  kFire,
  kMine,
  kStart,
  kMusic,
  kQuit,
  kPause,
  kScreenshot,
  kFullScreen,
};
constexpr int kActionCount = 12;

// The game's own key (a scan code) for an action the game handles; 0 for the host's.
uint8_t GameKeyOf(Action action);
// The action's name in the settings file ("fire").
const char* ActionName(Action action);

// What a gamepad button can be bound to.
enum class PadAction { kFire, kMine, kStart, kQuit };
constexpr int kPadActionCount = 4;
const char* PadActionName(PadAction action);

// Gamepad buttons by position, whatever the pad prints on them ("south" is A on an Xbox pad,
// the cross on a PlayStation one).
enum class PadButton {
  kSouth,
  kEast,
  kWest,
  kNorth,
  kBack,
  kGuide,
  kStart,
  kLeftStick,
  kRightStick,
  kLeftShoulder,
  kRightShoulder,
};
constexpr int kPadButtonCount = 11;
const char* PadButtonName(PadButton button);

struct Settings {
  bool fullscreen = true;
  int window_width = 0;  // 0: the largest whole multiple of the page that fits the desktop
  int window_height = 0;
  int volume = 100;  // 0..100, everything
  int music_volume = 100;
  bool pause_on_focus_loss = true;
  std::string renderer = "auto";  // auto, software or gpu
  // Scan codes bound to each action, in the file's order.
  std::array<std::vector<uint8_t>, kActionCount> keys;
  std::array<std::vector<PadButton>, kPadActionCount> pad;

  // Today's keys: the arrows, Space, both Ctrl keys, F1, F4, Escape, P and Pause, Print
  // Screen, F11; the pad's south button fires, east and west lay mines.
  Settings();
};

bool operator==(const Settings& a, const Settings& b);

// Reads settings text over `settings`. A line that cannot be used adds one warning,
// "<source>:<line>: <reason>", and leaves that setting as it was; the others still apply.
// A key bound to two actions stays with the first and is reported. Returns true when every
// line was understood.
bool ParseSettings(const std::string& text, const std::string& source, Settings* settings,
                   std::vector<std::string>* warnings);

// The settings as a commented text file, every setting written out.
std::string FormatSettings(const Settings& settings);

// Where the settings live: $XDG_CONFIG_HOME/ferrowyn/settings.ini, else
// ~/.config/ferrowyn/settings.ini; empty when neither can be named.
std::filesystem::path SettingsPath();

// Writes the file through a temporary file in the same folder and a rename, so a crash or a
// full disk never leaves half a file. False with a reason when it could not.
bool WriteFileAtomically(const std::filesystem::path& path, const std::string& text,
                         std::string* error);

// A one-line summary of the bindings, for --help and --list-keys: "fire: SPACE".
std::vector<std::string> DescribeBindings(const Settings& settings);

}  // namespace host
