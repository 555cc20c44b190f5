// The host on SDL2: a real window, the keyboard, the first joystick and the audio device.
#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/host/host.h"

struct SDL_Window;
struct SDL_Rect;
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

// Converts 8-bit pages through a 256-entry colour table into 32-bit pixels (8 bits a
// channel, any order), scaled to a rectangle the way a player expects of pixel art: up by the
// largest whole multiple with sharp, nearest pixels, then the remaining fraction by averaging
// what each target pixel covers, so every page pixel comes out the same width and no edge
// shimmers. Smaller than the page, it falls back to the nearest pixel. The tables are kept
// between calls, since the sizes rarely change.
class PageScaler {
 public:
  // `target` points at the rectangle's top-left pixel; `target_pitch` is in bytes. With
  // `changed_rows` (a flag for each page row), only the target rows that show a flagged row
  // are written.
  void Scale(const uint8_t* page, int page_pitch, int page_width, int page_height,
             const uint32_t* colours, uint32_t* target, int target_pitch, int width, int height,
             const uint8_t* changed_rows = nullptr);

  // The target rows the last Scale wrote, as runs [first, end).
  struct RowRun {
    int first, end;
  };
  const std::vector<RowRun>& Written() const { return written_; }

  // What one target pixel (column or row) shows: page pixel `first`, blended with `second`
  // by `weight`/256.
  struct Tap {
    int first = 0;
    int second = 0;
    uint32_t weight = 0;  // 0 = `first` alone
  };
  static std::vector<Tap> Taps(int page_size, int target_size);

 private:
  void ScaleAcross(const uint8_t* in, const uint32_t* colours, uint32_t* out);

  std::vector<Tap> columns_, rows_;
  std::vector<uint8_t> column_weights_;  // each column's weight, once per byte of its pixel
  int columns_page_ = 0, rows_page_ = 0;
  std::vector<uint32_t> seconds_;     // a row's second pixels, before the blend
  std::vector<uint32_t> scratch_[2];  // page rows scaled across, for blended target rows
  std::vector<RowRun> written_;
};

// Where Print Screen saves: $XDG_PICTURES_DIR, else the pictures folder the desktop names in
// user-dirs.dirs, else ~/Pictures.
std::filesystem::path PicturesFolder();

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
  bool whole_page_stale_ = true;            // every row of the page needs converting
  std::vector<uint8_t> changed_rows_;       // page rows changed since they were last drawn
  std::vector<SDL_Rect> update_rects_;
  PageScaler scaler_;

  bool audio_tried_ = false;
  uint32_t audio_device_ = 0;
  int audio_rate_ = 0;
  AudioSource* audio_source_ = nullptr;  // read on the audio thread under the device lock
};

}  // namespace host
