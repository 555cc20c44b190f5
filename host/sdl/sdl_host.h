// The host on SDL2: a real window, the keyboard, the first joystick and the audio device, each
// a part of its own (sdl_window, sdl_input, sdl_audio, sdl_notices); the host runs the events
// and the pause between them.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "host/common/menu.h"
#include "host/common/pad_policy.h"
#include "host/common/settings.h"
#include "host/common/tick_clock.h"
#include "host/host.h"
#include "host/sdl/sdl_audio.h"
#include "host/sdl/sdl_input.h"
#include "host/sdl/sdl_notices.h"
#include "host/sdl/sdl_window.h"

union SDL_Event;

namespace host::sdl {

// What the program starts the host with.
struct SdlConfig {
  common::Settings settings;  // window, renderer, pause on focus loss, keys and pad buttons
  bool sound = true;          // false: no sound device is opened, and the game plays silently
  // Whether a game is in play: the pad's Start pauses then, and starts a game otherwise.
  std::function<bool()> in_play;
  // The menu changed the settings: the program applies what the host does not (the volumes)
  // and keeps them in the settings file at once.
  std::function<void(const common::Settings&)> settings_changed;
  // The best games so far, one line each, for the menu's High scores screen.
  std::function<std::vector<std::string>()> high_scores;
  // Asked once a pump: the place a game that has just ended took in the high scores, shown
  // over the game-over page while it is not 0.
  std::function<int()> high_score_place;
  std::vector<uint8_t> icon_rgba;  // the window's icon, icon_size pixels square
  int icon_size = 0;
  std::filesystem::path pad_mappings;  // the player's gamecontrollerdb.txt, if any
  std::string label;                   // shown over the picture all along ("REPLAY"), if any
};

class SdlHost : public Host {
 public:
  // Opens the first pad or joystick; the window and the sound device wait until asked for.
  explicit SdlHost(SdlConfig config = {});
  ~SdlHost() override;
  SdlHost(const SdlHost&) = delete;
  SdlHost& operator=(const SdlHost&) = delete;

  // A borderless full-screen-desktop window, or a window as the settings say, drawn by the
  // renderer they name; false, with the reason on stderr, without one, and when SDL could only
  // make an invisible one.
  bool OpenWindow(const char* title, int width, int height) override;
  // Closes the window and SDL's video with it.
  void CloseWindow() override;
  // SDL's pointer, shown or hidden over the window.
  void ShowCursor(bool visible) override;
  // Milliseconds since the host was made.
  uint32_t Ticks() override;
  // Sleeps the calling thread to the start of a tick: the clock's own (TickClock::Sleep).
  void Sleep(uint32_t ms) override;
  // Also redraws after window changes, follows pads plugged in or out and takes the host's
  // own keys (pause, full screen, screenshot). While paused the menu is open, and it returns
  // only when play goes on.
  bool PumpEvents() override;
  // By the game's own scan codes, after the player's bindings. A tap that starts and ends
  // between two pumps reads as held until the next pump.
  bool KeyDown(uint8_t scan_code) override;
  // The first pad: the left stick or d-pad as the axes, the fire and mine buttons as buttons
  // 0 and 1; or the first plain joystick's first two axes and up to 32 buttons.
  Joystick ReadJoystick() override;
  // Converts and sends only the rows that changed, unless the palette or the window did.
  void Present(const uint8_t* pixels, int pitch, int width, int height, const Rgb* palette,
               const std::vector<Rect>* changed) override;
  // Opens the device on first use: 44100 or 48000 Hz, or 0 without one.
  int AudioRate() override;
  // Swapped under the device's lock.
  void SetAudioSource(AudioSource* source) override;

  // The window, for tests; nullptr while none is open.
  SDL_Window* Window() const { return window_.Get(); }
  bool Paused() const { return pause_.Paused(); }
  // The settings as they are now: full screen and the window's size follow the player.
  const common::Settings& CurrentSettings() const { return config_.settings; }
  // A message box when a window can be shown (the reason is on stderr too).
  static void ShowError(const std::string& title, const std::string& message);
  // Why no window could be shown, in one line; empty when one can (and SDL's video is then
  // left started, until SDL_Quit). Asked before the game starts, so that a player without a
  // display reads one line, not one from each layer.
  static std::string DisplayProblem();
  // Whether the open window is drawn by SDL's renderer rather than the page scaler.
  bool UsesGpu() const { return window_.UsesGpu(); }

 private:
  // SDL itself, shut down after every part below has let go of what it holds.
  struct SdlLibrary {
    ~SdlLibrary();
  };

  void HandleEvent(const SDL_Event& event, bool* close);
  void HandleKey(const SDL_Event& event, bool* close);
  bool MenuKey(const SDL_Event& event, bool* close);
  bool MenuPadButton(const SDL_Event& event, bool* close);
  void Apply(const common::MenuOutcome& outcome, bool* close);
  void HandleWindowEvent(const SDL_Event& event);
  void WaitWhilePaused(bool* close);
  void PauseChanged();
  void SaveScreenshot();

  SdlLibrary library_;
  SdlConfig config_;
  // The one clock: the game's ticks, the quit hold and how long notices show.
  common::TickClock clock_;
  common::PauseState pause_;
  common::Menu menu_;  // open while paused
  common::StickPresses stick_;
  Notices notices_;
  SdlWindow window_;
  SdlInput input_;
  SdlAudio audio_;
};

}  // namespace host::sdl
