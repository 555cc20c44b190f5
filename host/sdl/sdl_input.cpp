#include "host/sdl/sdl_input.h"

#include <SDL.h>

#include <algorithm>

#include "host/sdl/sdl_keys.h"

namespace host::sdl {
namespace {

// A d-pad press is the stick pushed all the way.
constexpr int16_t kFullDeflection = 32767;

}  // namespace

SdlInput::SdlInput(const common::Settings& settings)
    : keys_(settings), pad_bindings_(settings.pad) {}

SdlInput::~SdlInput() {
  pad_.reset();
  joystick_.reset();
}

void SdlInput::OpenPad(const std::filesystem::path& mappings) {
  // The player's own pad mappings add to SDL's built-in ones (and to SDL_GAMECONTROLLERCONFIG,
  // which SDL reads itself).
  std::error_code ec;
  if (!mappings.empty() && std::filesystem::exists(mappings, ec))
    SDL_GameControllerAddMappingsFromFile(mappings.c_str());
  OpenFirstJoystick();
}

void SdlInput::Rebind(const common::Settings& settings) {
  keys_ = common::GameKeys(settings);
  pad_bindings_ = settings.pad;
}

std::optional<common::Action> SdlInput::Key(const SDL_Event& event, bool to_game) {
  const SDL_Keysym& key = event.key.keysym;
  bool down = event.type == SDL_KEYDOWN;
  bool first_press = down && !event.key.repeat;
  bool enter = key.scancode == SDL_SCANCODE_RETURN || key.scancode == SDL_SCANCODE_KP_ENTER;
  if (down && enter && (key.mod & KMOD_ALT)) {
    // Alt+Enter belongs to the host: the game would take Enter for its debug overlay.
    if (first_press) return common::Action::kFullScreen;
    return std::nullopt;
  }
  uint8_t physical = DirectInputKey(key.scancode);
  if (!physical) return std::nullopt;
  if (std::optional<common::Action> action = keys_.Map().HostAction(physical)) {
    if (first_press) return action;
    return std::nullopt;
  }
  if (to_game || !down) keys_.Physical(physical, down);
  return std::nullopt;
}

bool SdlInput::PadButton(const SDL_Event& event, bool in_play, uint32_t now_ms,
                         common::PauseState* pause) {
  if (!pad_ || event.cbutton.which != joystick_id_) return false;
  bool down = event.type == SDL_CONTROLLERBUTTONDOWN;
  int button = event.cbutton.button;
  if (PadHas(common::PadAction::kQuit, button)) policy_.BackButton(down, now_ms);
  if (!PadHas(common::PadAction::kStart, button)) return false;
  const common::PadPolicy::Start did = policy_.StartButton(down, in_play, pause);
  if (did == common::PadPolicy::Start::kTapStartKey) {
    keys_.Press(common::GameKeyOf(common::Action::kStart));
    keys_.Release(common::GameKeyOf(common::Action::kStart));
  }
  return did == common::PadPolicy::Start::kPauseChanged;
}

void SdlInput::Device(const SDL_Event& event) {
  if (event.type == SDL_JOYDEVICEADDED) {
    if (!joystick_ && !pad_) OpenFirstJoystick();
  } else if (event.type == SDL_JOYDEVICEREMOVED && event.jdevice.which == joystick_id_) {
    pad_.reset();
    joystick_.reset();
    joystick_id_ = -1;
    policy_.Unplugged();
    OpenFirstJoystick();
  }
}

void SdlInput::OpenFirstJoystick() {
  for (int index = 0; index < SDL_NumJoysticks(); ++index) {
    // A pad SDL knows goes through its game-controller layer: the same buttons on every make.
    if (SDL_IsGameController(index)) {
      if (SDL_GameController* pad = SDL_GameControllerOpen(index)) {
        pad_.reset(pad);
        joystick_id_ = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad));
        return;
      }
    }
    if (SDL_Joystick* joystick = SDL_JoystickOpen(index)) {
      joystick_.reset(joystick);
      joystick_id_ = SDL_JoystickInstanceID(joystick);
      return;
    }
  }
}

namespace {

// SDL's buttons in the order of common::PadButton.
constexpr SDL_GameControllerButton kButtons[common::kPadButtonCount] = {
    SDL_CONTROLLER_BUTTON_A,
    SDL_CONTROLLER_BUTTON_B,
    SDL_CONTROLLER_BUTTON_X,
    SDL_CONTROLLER_BUTTON_Y,
    SDL_CONTROLLER_BUTTON_BACK,
    SDL_CONTROLLER_BUTTON_GUIDE,
    SDL_CONTROLLER_BUTTON_START,
    SDL_CONTROLLER_BUTTON_LEFTSTICK,
    SDL_CONTROLLER_BUTTON_RIGHTSTICK,
    SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
    SDL_CONTROLLER_BUTTON_RIGHTSHOULDER};

}  // namespace

std::optional<common::PadButton> SdlInput::ButtonOf(const SDL_Event& event) const {
  if (!pad_ || event.cbutton.which != joystick_id_) return std::nullopt;
  for (int i = 0; i < common::kPadButtonCount; ++i)
    if (kButtons[i] == event.cbutton.button) return common::PadButton(i);
  return std::nullopt;
}

bool SdlInput::PadHas(common::PadAction action, int sdl_button) const {
  for (common::PadButton button : pad_bindings_[size_t(action)])
    if (kButtons[size_t(button)] == sdl_button) return true;
  return false;
}

Joystick SdlInput::ReadJoystick() {
  Joystick state;
  if (SDL_GameController* pad = pad_.get()) {
    state.present = true;
    if (const char* name = SDL_GameControllerName(pad)) state.name = name;
    auto held = [pad](int b) {
      return SDL_GameControllerGetButton(pad, SDL_GameControllerButton(b)) != 0;
    };
    state.axis_x = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTX);
    state.axis_y = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTY);
    if (held(SDL_CONTROLLER_BUTTON_DPAD_LEFT)) state.axis_x = -kFullDeflection;
    if (held(SDL_CONTROLLER_BUTTON_DPAD_RIGHT)) state.axis_x = kFullDeflection;
    if (held(SDL_CONTROLLER_BUTTON_DPAD_UP)) state.axis_y = -kFullDeflection;
    if (held(SDL_CONTROLLER_BUTTON_DPAD_DOWN)) state.axis_y = kFullDeflection;
    // The game fires with button 0 and lays mines with button 1.
    for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b) {
      if (!held(b)) continue;
      if (PadHas(common::PadAction::kFire, b)) state.buttons[0] = 0x80;
      if (PadHas(common::PadAction::kMine, b)) state.buttons[1] = 0x80;
    }
    return state;
  }
  SDL_Joystick* joystick = joystick_.get();
  if (!joystick) return state;
  state.present = true;
  if (const char* name = SDL_JoystickName(joystick)) state.name = name;
  int axes = SDL_JoystickNumAxes(joystick);
  if (axes > 0) state.axis_x = SDL_JoystickGetAxis(joystick, 0);
  if (axes > 1) state.axis_y = SDL_JoystickGetAxis(joystick, 1);
  int buttons = std::min(SDL_JoystickNumButtons(joystick), static_cast<int>(sizeof state.buttons));
  for (int i = 0; i < buttons; ++i)
    state.buttons[i] = SDL_JoystickGetButton(joystick, i) ? 0x80 : 0;
  return state;
}

}  // namespace host::sdl
