// The host on SDL2: a real window, the keyboard, the first joystick and the audio device.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/host/host.h"

struct SDL_Window;
struct SDL_Surface;
struct _SDL_Joystick;
union SDL_Event;

namespace host {

// Where a page lands inside a target: the largest rectangle of the page's aspect that fits,
// centred (black bars fill the rest).
struct PageRect {
  int x = 0, y = 0, width = 0, height = 0;
};
PageRect FitPage(int page_width, int page_height, int target_width, int target_height);

// Converts 8-bit pages through a 256-entry colour table into 32-bit pixels, scaled to a
// rectangle by nearest pixel. The column map is kept between calls, since the sizes rarely
// change; rows that come from the same page row are converted once and copied.
class PageScaler {
 public:
  // `target` points at the rectangle's top-left pixel; `target_pitch` is in bytes.
  void Scale(const uint8_t* page, int page_pitch, int page_width, int page_height,
             const uint32_t* colours, uint32_t* target, int target_pitch, int width, int height);

 private:
  std::vector<int> columns_;  // page column for each target column
  int columns_page_width_ = 0;
};

class SdlHost : public Host {
 public:
  SdlHost();
  ~SdlHost() override;
  SdlHost(const SdlHost&) = delete;
  SdlHost& operator=(const SdlHost&) = delete;

  bool OpenWindow(const char* title, int width, int height) override;
  void CloseWindow() override;
  void ShowCursor(bool visible) override;
  uint32_t Ticks() override;
  void Sleep(uint32_t ms) override;
  bool PumpEvents() override;
  bool KeyDown(uint8_t scan_code) override;
  Joystick ReadJoystick() override;
  void Present(const uint8_t* pixels, int pitch, int width, int height,
               const Rgb* palette) override;
  int AudioRate() override;
  void SetAudioSource(AudioSource* source) override;

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
  int page_width_ = 0;
  int page_height_ = 0;
  uint8_t keys_[256] = {};          // by DirectInput scan code, 0x80 = down
  uint8_t pressed_now_[256] = {};   // went down during the current pump
  uint8_t release_next_[256] = {};  // released during it too: let go at the next pump
  std::vector<uint8_t> page_;
  std::array<Rgb, 256> palette_ = {};
  std::array<uint32_t, 256> colours_ = {};  // palette_ in the target surface's format
  uint32_t colours_format_ = 0;             // the format colours_ was made for; 0 = stale
  bool bars_stale_ = true;                  // the window needs a full repaint
  PageScaler scaler_;

  bool audio_tried_ = false;
  uint32_t audio_device_ = 0;
  int audio_rate_ = 0;
  AudioSource* audio_source_ = nullptr;  // read on the audio thread under the device lock
};

}  // namespace host
