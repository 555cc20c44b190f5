// The host on SDL2: a real window, the keyboard, the first joystick and the audio device.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/host/host.h"
#include "platform/host/kept_page.h"
#include "platform/host/page_scaler.h"

struct SDL_Window;
struct SDL_Rect;
struct SDL_Surface;
struct _SDL_Joystick;
union SDL_Event;

namespace host {

class SdlHost : public Host {
 public:
  // Opens the first joystick; the window and the sound device wait until they are asked for.
  SdlHost();
  ~SdlHost() override;
  SdlHost(const SdlHost&) = delete;
  SdlHost& operator=(const SdlHost&) = delete;

  // A borderless full-screen-desktop window; false, with the reason on stderr, without one.
  bool OpenWindow(const char* title, int width, int height) override;
  // Closes the window and SDL's video with it.
  void CloseWindow() override;
  // SDL's pointer, shown or hidden over the window.
  void ShowCursor(bool visible) override;
  // SDL's milliseconds since it started.
  uint32_t Ticks() override;
  // Sleeps the calling thread.
  void Sleep(uint32_t ms) override;
  // Also redraws after window changes, follows sticks plugged in or out and takes the host's
  // own keys (F11, Alt+Enter, Print Screen).
  bool PumpEvents() override;
  // A tap that starts and ends between two pumps reads as held until the next pump.
  bool KeyDown(uint8_t scan_code) override;
  // The first stick: its first two axes and up to 32 buttons.
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

 private:
  struct SdlDeleter {
    void operator()(SDL_Window* window) const;
    void operator()(SDL_Surface* surface) const;
    void operator()(_SDL_Joystick* joystick) const;
  };

  void HandleKey(const SDL_Event& event);
  void HandleWindowEvent(const SDL_Event& event);
  void OpenFirstJoystick();
  void ToggleFullScreen();
  void Redraw();
  void SaveScreenshot() const;
  void OpenAudio();
  static void AudioCallback(void* host, uint8_t* stream, int bytes);

  std::unique_ptr<SDL_Window, SdlDeleter> window_;
  std::unique_ptr<_SDL_Joystick, SdlDeleter> joystick_;
  // A 32-bit surface to scale into when the window's own surface has another depth.
  std::unique_ptr<SDL_Surface, SdlDeleter> staging_;
  int32_t joystick_id_ = -1;
  int window_width_ = 0;  // the size asked for: the windowed size is a whole multiple of it
  int window_height_ = 0;
  int surface_width_ = 0;
  int surface_height_ = 0;
  uint8_t keys_[256] = {};          // by DirectInput scan code, 0x80 = down
  uint8_t pressed_now_[256] = {};   // went down during the current pump
  uint8_t release_next_[256] = {};  // released during it too: let go at the next pump
  KeptPage page_;
  std::array<uint32_t, 256> colours_ = {};  // the page's palette in the target surface's format
  uint32_t colours_format_ = 0;             // the format colours_ was made for; 0 = stale
  bool bars_stale_ = true;                  // the window needs a full repaint
  bool whole_page_stale_ = true;            // every row of the page needs converting
  std::vector<SDL_Rect> update_rects_;
  PageScaler scaler_;

  bool audio_tried_ = false;
  uint32_t audio_device_ = 0;
  int audio_rate_ = 0;
  AudioSource* audio_source_ = nullptr;  // read on the audio thread under the device lock
};

}  // namespace host
