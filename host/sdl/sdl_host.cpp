#include "host/sdl/sdl_host.h"

#include <SDL.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

#include "host/sdl/sdl_keys.h"

namespace host::sdl {
namespace {

// The desktop entry's name, so docks match the window to the game's icon.
constexpr char kAppId[] = "io.github.ferrowyn.Ferrowyn";

}  // namespace

SdlHost::SdlLibrary::~SdlLibrary() {
  SDL_Quit();
}

SdlHost::SdlHost(SdlConfig config)
    : config_(std::move(config)),
      menu_(&config_.settings, true),
      notices_(&pause_, &menu_, config_.label),
      window_(&config_.settings, &notices_),
      input_(config_.settings),
      audio_(config_.sound) {
  // The game reads its stick whether or not the window has the focus.
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  // X11 and Wayland take the window's class from these when SDL starts its video.
  setenv("SDL_VIDEO_X11_WMCLASS", kAppId, 0);
  setenv("SDL_VIDEO_WAYLAND_WMCLASS", kAppId, 0);
  if (SDL_Init(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER) == 0)
    input_.OpenPad(config_.pad_mappings);
}

SdlHost::~SdlHost() = default;

bool SdlHost::OpenWindow(const char* title, int width, int height) {
  return window_.Open(title, width, height, config_.icon_rgba, config_.icon_size);
}

void SdlHost::CloseWindow() {
  window_.Close();
}

std::string SdlHost::DisplayProblem() {
  return SdlWindow::DisplayProblem();
}

void SdlHost::ShowError(const std::string& title, const std::string& message) {
  SdlWindow::ShowError(title.c_str(), message.c_str());
}

void SdlHost::ShowCursor(bool visible) {
  SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

uint32_t SdlHost::Ticks() {
  return clock_.Ticks();
}

void SdlHost::Sleep(uint32_t ms) {
  clock_.Sleep(ms);
}

bool SdlHost::PumpEvents() {
  input_.BeginPump();
  bool close = false;
  SDL_Event event;
  while (SDL_PollEvent(&event)) HandleEvent(event, &close);
  if (input_.QuitDue(clock_.Ticks())) close = true;
  if (notices_.Expire(clock_.Ticks())) window_.Refresh();
  if (config_.high_score_place && notices_.HighScore(config_.high_score_place())) window_.Refresh();
  // A page held back within a refresh goes out now.
  window_.ShowDue();
  WaitWhilePaused(&close);
  if (close) pause_.Close();
  return close;
}

void SdlHost::HandleEvent(const SDL_Event& event, bool* close) {
  switch (event.type) {
    case SDL_QUIT:
      *close = true;
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      HandleKey(event, close);
      break;
    case SDL_WINDOWEVENT:
      HandleWindowEvent(event);
      break;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
      if (menu_.IsOpen() && MenuPadButton(event, close)) break;
      if (input_.PadButton(event, config_.in_play && config_.in_play(), clock_.Ticks(), &pause_))
        PauseChanged();
      break;
    case SDL_CONTROLLERAXISMOTION:
      if (!menu_.IsOpen() || menu_.WaitingForBinding()) break;
      if (event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX ||
          event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY) {
        if (std::optional<common::MenuPress> press =
                stick_.Axis(event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY, event.caxis.value))
          Apply(menu_.Press(*press), close);
      }
      break;
    case SDL_JOYDEVICEADDED:
    case SDL_JOYDEVICEREMOVED:
      input_.Device(event);
      break;
  }
}

void SdlHost::HandleKey(const SDL_Event& event, bool* close) {
  if (menu_.IsOpen() && MenuKey(event, close)) return;
  std::optional<common::Action> action = input_.Key(event, !menu_.IsOpen());
  if (!action) return;
  if (*action == common::Action::kFullScreen) window_.ToggleFullScreen();
  if (*action == common::Action::kScreenshot) SaveScreenshot();
  if (*action == common::Action::kPause && pause_.Toggle()) PauseChanged();
}

// The menu's own keys, by their place: the arrows, Enter or Space, Escape; while it waits for
// a binding, any key. True when the key was the menu's.
bool SdlHost::MenuKey(const SDL_Event& event, bool* close) {
  if (event.type != SDL_KEYDOWN) return false;
  const SDL_Keysym& key = event.key.keysym;
  if (menu_.WaitingForBinding()) {
    if (event.key.repeat) return true;
    if (uint8_t physical = DirectInputKey(key.scancode)) {
      Apply(menu_.BindKeyPress(physical), close);
      return true;
    }
    return false;
  }
  if (key.mod & KMOD_ALT) return false;  // Alt+Enter is full screen still
  std::optional<common::MenuPress> press;
  switch (key.scancode) {
    case SDL_SCANCODE_UP:
      press = common::MenuPress::kUp;
      break;
    case SDL_SCANCODE_DOWN:
      press = common::MenuPress::kDown;
      break;
    case SDL_SCANCODE_LEFT:
      press = common::MenuPress::kLeft;
      break;
    case SDL_SCANCODE_RIGHT:
      press = common::MenuPress::kRight;
      break;
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_KP_ENTER:
    case SDL_SCANCODE_SPACE:
      if (!event.key.repeat) press = common::MenuPress::kChoose;
      break;
    case SDL_SCANCODE_ESCAPE:
      if (!event.key.repeat) press = common::MenuPress::kBack;
      break;
    default:
      return false;
  }
  if (press) Apply(menu_.Press(*press), close);
  return true;
}

// The pad in the menu: the d-pad moves, south chooses, east goes back; while the menu waits,
// any button is bound. Start and Back keep their meaning otherwise.
bool SdlHost::MenuPadButton(const SDL_Event& event, bool* close) {
  const bool down = event.type == SDL_CONTROLLERBUTTONDOWN;
  if (menu_.WaitingForBinding()) {
    std::optional<common::PadButton> button = input_.ButtonOf(event);
    if (!button) return false;
    if (down) Apply(menu_.BindPadPress(*button), close);
    return true;
  }
  std::optional<common::MenuPress> press;
  switch (event.cbutton.button) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
      press = common::MenuPress::kUp;
      break;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
      press = common::MenuPress::kDown;
      break;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
      press = common::MenuPress::kLeft;
      break;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
      press = common::MenuPress::kRight;
      break;
    case SDL_CONTROLLER_BUTTON_A:
      press = common::MenuPress::kChoose;
      break;
    case SDL_CONTROLLER_BUTTON_B:
      press = common::MenuPress::kBack;
      break;
    default:
      return false;
  }
  if (down) Apply(menu_.Press(*press), close);
  return true;
}

void SdlHost::Apply(const common::MenuOutcome& outcome, bool* close) {
  if (outcome.toggle_full_screen) window_.ToggleFullScreen();
  if (outcome.bindings_changed) input_.Rebind(config_.settings);
  if (outcome.settings_changed && config_.settings_changed)
    config_.settings_changed(config_.settings);
  if (outcome.quit) {
    // The game winds down unpaused, as when the window is closed.
    *close = true;
    if (pause_.Set(common::Pause::kNo)) PauseChanged();
  }
  if (outcome.close && pause_.Set(common::Pause::kNo)) PauseChanged();
  if (outcome.redraw) {
    if (menu_.Screen() == common::MenuScreen::kHighScores && config_.high_scores)
      menu_.SetHighScores(config_.high_scores());
    window_.Refresh();
  }
}

void SdlHost::HandleWindowEvent(const SDL_Event& event) {
  switch (event.window.event) {
    case SDL_WINDOWEVENT_FOCUS_LOST:
      // Key releases made elsewhere never reach us: forget every key rather than keep it held.
      input_.ReleaseAllKeys();
      if (pause_.FocusLost(config_.settings.pause_on_focus_loss)) PauseChanged();
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      if (pause_.FocusGained()) PauseChanged();
      break;
    default:
      window_.HandleEvent(event);
  }
}

// While paused no frame runs: the game waits here, in its own pump, so its clock, world and
// random draws stand still, and the next frame starts afresh rather than catching up. With no
// window (the game closing it) nothing could end the pause: the game goes on.
void SdlHost::WaitWhilePaused(bool* close) {
  SDL_Event event;
  while (pause_.Paused() && !*close && !pause_.Closing() && window_.Get()) {
    if (SDL_WaitEventTimeout(&event, 100)) HandleEvent(event, close);
    if (input_.QuitDue(clock_.Ticks())) *close = true;
  }
}

void SdlHost::PauseChanged() {
  audio_.Pause(pause_.Paused());
  if (pause_.Paused() && !menu_.IsOpen()) {
    menu_.Open();
    stick_ = {};
  }
  if (!pause_.Paused()) menu_.Close();
  window_.Refresh();
}

void SdlHost::SaveScreenshot() {
  std::string said = sdl::SaveScreenshot(window_.Page());
  if (said.empty()) return;
  notices_.Say(said, clock_.Ticks());
  window_.Refresh();
}

bool SdlHost::KeyDown(uint8_t scan_code) {
  return input_.KeyDown(scan_code);
}

Joystick SdlHost::ReadJoystick() {
  return input_.ReadJoystick();
}

void SdlHost::Present(const uint8_t* pixels, int pitch, int width, int height, const Rgb* palette,
                      const std::vector<Rect>* changed) {
  window_.Present(pixels, pitch, width, height, palette, changed);
}

int SdlHost::AudioRate() {
  return audio_.Rate();
}

void SdlHost::SetAudioSource(AudioSource* source) {
  audio_.SetSource(source);
}

}  // namespace host::sdl
