#include "host/common/settings.h"

#include "host/common/scan_codes.h"

namespace host::common {

namespace {

struct ActionInfo {
  const char* name;
  uint8_t game_key;
  std::vector<uint8_t> defaults;
};

const std::array<ActionInfo, kActionCount>& Actions() {
  static const std::array<ActionInfo, kActionCount> actions = {{
      {"up", kDikUp, {kDikUp}},
      {"down", kDikDown, {kDikDown}},
      {"left", kDikLeft, {kDikLeft}},
      {"right", kDikRight, {kDikRight}},
      {"fire", kDikSpace, {kDikSpace}},
      {"mine", kDikLControl, {kDikLControl, kDikRControl}},
      {"start", kDikF1, {kDikF1}},
      {"music", kDikF4, {kDikF4}},
      {"quit", kDikEscape, {kDikEscape}},
      {"pause", 0, {kDikP, kDikPause}},
      {"screenshot", 0, {kDikSysRq}},
      {"fullscreen", 0, {kDikF11}},
  }};
  return actions;
}

constexpr const char* kPadActionNames[kPadActionCount] = {"fire", "mine", "start", "quit"};
constexpr const char* kPadButtonNames[kPadButtonCount] = {
    "south", "east",      "west",       "north",        "back",         "guide",
    "start", "leftstick", "rightstick", "leftshoulder", "rightshoulder"};

}  // namespace

uint8_t GameKeyOf(Action action) {
  return Actions()[size_t(action)].game_key;
}

const char* ActionName(Action action) {
  return Actions()[size_t(action)].name;
}

const char* PadActionName(PadAction action) {
  return kPadActionNames[size_t(action)];
}

const char* PadButtonName(PadButton button) {
  return kPadButtonNames[size_t(button)];
}

const std::vector<uint8_t>& DefaultKeys(Action action) {
  return Actions()[size_t(action)].defaults;
}

std::optional<Renderer> ParseRenderer(std::string_view name) {
  for (size_t i = 0; i < std::size(kRendererNames); ++i)
    if (name == kRendererNames[i]) return Renderer(i);
  return std::nullopt;
}

std::optional<Scaling> ParseScaling(std::string_view name) {
  for (size_t i = 0; i < std::size(kScalingNames); ++i)
    if (name == kScalingNames[i]) return Scaling(i);
  return std::nullopt;
}

const std::vector<PadButton>& DefaultPadButtons(PadAction action) {
  static const std::array<std::vector<PadButton>, kPadActionCount> buttons = {{
      {PadButton::kSouth},                   // fire
      {PadButton::kEast, PadButton::kWest},  // mine
      {PadButton::kStart},                   // start
      {PadButton::kBack},                    // quit
  }};
  return buttons[size_t(action)];
}

Settings::Settings() {
  for (int i = 0; i < kActionCount; ++i) keys[i] = DefaultKeys(Action(i));
  for (int i = 0; i < kPadActionCount; ++i) pad[i] = DefaultPadButtons(PadAction(i));
}

bool operator==(const Settings& a, const Settings& b) {
  return a.fullscreen == b.fullscreen && a.window_width == b.window_width &&
         a.window_height == b.window_height && a.volume == b.volume &&
         a.music_volume == b.music_volume && a.pause_on_focus_loss == b.pause_on_focus_loss &&
         a.renderer == b.renderer && a.scaling == b.scaling && a.keys == b.keys && a.pad == b.pad;
}

}  // namespace host::common
