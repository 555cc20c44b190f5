#include "host/sdl/sdl_host.h"

#include <SDL.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

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
      notices_(&pause_, config_.label),
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
      HandleKey(event);
      break;
    case SDL_WINDOWEVENT:
      HandleWindowEvent(event);
      break;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
      if (input_.PadButton(event, config_.in_play && config_.in_play(), clock_.Ticks(), &pause_))
        PauseChanged();
      break;
    case SDL_JOYDEVICEADDED:
    case SDL_JOYDEVICEREMOVED:
      input_.Device(event);
      break;
  }
}

void SdlHost::HandleKey(const SDL_Event& event) {
  std::optional<common::Action> action = input_.Key(event);
  if (!action) return;
  if (*action == common::Action::kFullScreen) window_.ToggleFullScreen();
  if (*action == common::Action::kScreenshot) SaveScreenshot();
  if (*action == common::Action::kPause && pause_.Toggle()) PauseChanged();
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

void SdlHost::Present(const uint8_t* pixels, int pitch, int width, int height, const Rgb* palette) {
  window_.Present(pixels, pitch, width, height, palette);
}

int SdlHost::AudioRate() {
  return audio_.Rate();
}

void SdlHost::SetAudioSource(AudioSource* source) {
  audio_.SetSource(source);
}

}  // namespace host::sdl
