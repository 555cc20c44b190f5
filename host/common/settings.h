// The player's settings as the hosts apply them: the actions keys and pad buttons are bound
// to, the display and sound choices, and their defaults. The file that keeps them between runs
// is the program's (main/settings_file.h).
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace host::common {

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

// How the SDL host draws the page.
enum class Renderer {
  kAutomatic,  // the GPU where SDL has an accelerated renderer that is not a CPU rasteriser
  kSoftware,   // the page scaler, straight into the window's own pixels
  kGpu,        // SDL's accelerated renderer whatever it runs on; software when there is none
};
// The names the command line and the settings file take, in the order of Renderer.
inline constexpr const char* kRendererNames[] = {"auto", "software", "gpu"};
// "auto", "software" or "gpu"; nothing for any other name.
std::optional<Renderer> ParseRenderer(std::string_view name);

// How the page fills a window larger than itself.
enum class Scaling {
  kSmooth,   // the largest whole multiple with sharp pixels, then smoothly to fit (aspect kept)
  kWhole,    // whole multiples only, black borders round it
  kStretch,  // the whole window, aspect or not
};
// The names the settings file takes, in the order of Scaling.
inline constexpr const char* kScalingNames[] = {"smooth", "whole", "stretch"};
std::optional<Scaling> ParseScaling(std::string_view name);

// The keys an action has when the player has bound none.
const std::vector<uint8_t>& DefaultKeys(Action action);
// The buttons a pad action has when the player has bound none.
const std::vector<PadButton>& DefaultPadButtons(PadAction action);

// The smallest window a host opens, and the largest size anyone may ask for.
constexpr int kSmallestWindowWidth = 400;
constexpr int kSmallestWindowHeight = 300;
constexpr int kLargestWindow = 16384;

struct Settings {
  bool fullscreen = true;
  int window_width = 0;  // 0: the largest whole multiple of the page that fits the desktop
  int window_height = 0;
  int volume = 100;  // 0..100, everything
  int music_volume = 100;
  bool pause_on_focus_loss = true;
  std::string renderer = "auto";  // auto, software or gpu
  Scaling scaling = Scaling::kSmooth;
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
}  // namespace host::common
