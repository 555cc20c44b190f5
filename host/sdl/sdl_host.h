// The host on SDL2: a real window, the keyboard, the first joystick and the audio device.
#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"
#include "host/common/game_keys.h"
#include "host/common/kept_page.h"
#include "host/common/page_scaler.h"
#include "host/sdl/sdl_handle.h"
#include "host/common/settings.h"
#include "host/common/tick_clock.h"

struct SDL_Rect;
union SDL_Event;

namespace host::sdl {

class GpuPresenter;

// What the program starts the host with.
struct SdlConfig {
  common::Settings settings;  // window, renderer, pause on focus loss, keys and pad buttons
  bool sound = true;          // false: no sound device is opened, and the game plays silently
  // Whether a game is in play: the pad's Start pauses then, and starts a game otherwise.
  std::function<bool()> in_play;
  std::vector<uint8_t> icon_rgba;  // the window's icon, icon_size pixels square
  int icon_size = 0;
  std::filesystem::path pad_mappings;  // the player's gamecontrollerdb.txt, if any
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
  // own keys (pause, full screen, screenshot). While paused it returns only when play goes on.
  bool PumpEvents() override;
  // By the game's own scan codes, after the player's bindings. A tap that starts and ends
  // between two pumps reads as held until the next pump.
  bool KeyDown(uint8_t scan_code) override;
  // The first pad: the left stick or d-pad as the axes, the fire and mine buttons as buttons
  // 0 and 1; or the first plain joystick's first two axes and up to 32 buttons.
  Joystick ReadJoystick() override;
  // Converts and sends only the rows that changed, unless the palette or the window did.
  void Present(const uint8_t* pixels, int pitch, int width, int height,
               const Rgb* palette) override;
  // Opens the device on first use: 44100 or 48000 Hz, or 0 without one.
  int AudioRate() override;
  // Swapped under the device's lock.
  void SetAudioSource(AudioSource* source) override;

  // The window, for tests; nullptr while none is open.
  SDL_Window* Window() const { return window_.get(); }
  bool Paused() const { return paused_ != Pause::kNo; }
  // The settings as they are now: full screen and the window's size follow the player.
  const common::Settings& CurrentSettings() const { return config_.settings; }
  // A message box when a window can be shown (the reason is on stderr too).
  static void ShowError(const std::string& title, const std::string& message);
  // Whether the open window is drawn by SDL's renderer rather than the page scaler.
  bool UsesGpu() const { return gpu_ != nullptr; }

 private:
  enum class Pause { kNo, kByPlayer, kByFocus };

  void HandleEvent(const SDL_Event& event, bool* close);
  void HandleKey(const SDL_Event& event);
  void HandleWindowEvent(const SDL_Event& event);
  void HandlePadButton(const SDL_Event& event);
  void SetPause(Pause pause);
  void WaitWhilePaused(bool* close);
  void Notice(const std::string& text, uint32_t for_ms);
  void DrawNotices(const SDL_PixelFormat* format, uint32_t* picture, int pitch, int width,
                   int height);
  int WholeScale(int display) const;
  void OpenFirstJoystick();
  bool PadHas(common::PadAction action, int sdl_button) const;
  void ToggleFullScreen();
  void Redraw();
  void RedrawSurface();
  void MapColours(const SDL_PixelFormat* format);
  void SaveScreenshot();
  void OpenAudio();
  static void AudioCallback(void* host, uint8_t* stream, int bytes);

  SdlHandle<SDL_Window> window_;
  SdlConfig config_;
  common::TickClock clock_;
  common::GameKeys keys_;              // by the game's scan codes, through the player's bindings
  std::unique_ptr<GpuPresenter> gpu_;  // drawing with the GPU; the window's surface without
  SdlHandle<_SDL_GameController> pad_;
  SdlHandle<_SDL_Joystick> joystick_;
  // A 32-bit surface to scale into when the window's own surface has another depth.
  SdlHandle<SDL_Surface> staging_;
  int32_t joystick_id_ = -1;
  int window_width_ = 0;  // the size asked for: the windowed size is a whole multiple of it
  int window_height_ = 0;
  int surface_width_ = 0;
  int surface_height_ = 0;
  Pause paused_ = Pause::kNo;
  bool closing_ = false;          // the player asked to close: no more pauses
  uint32_t quit_held_since_ = 0;  // when the pad's quit button went down; 0 = up
  std::string notice_;            // a host notice under the picture, until notice_until_
  uint32_t notice_until_ = 0;
  common::KeptPage page_;
  std::array<uint32_t, 256> colours_ = {};  // the page's palette in the target surface's format
  uint32_t colours_format_ = 0;             // the format colours_ was made for; 0 = stale
  bool bars_stale_ = true;                  // the window needs a full repaint
  bool whole_page_stale_ = true;            // every row of the page needs converting
  std::vector<SDL_Rect> update_rects_;
  common::PageScaler scaler_;

  bool audio_tried_ = false;
  uint32_t audio_device_ = 0;
  int audio_rate_ = 0;
  AudioSource* audio_source_ = nullptr;  // read on the audio thread under the device lock
};

}  // namespace host::sdl
