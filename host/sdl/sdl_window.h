// The SDL host's window and what is shown in it: full screen or a window as the player
// switches, and the game's page scaled to fit, by the GPU or in software, with the host's
// notices over it.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/common/kept_page.h"
#include "host/common/page_scaler.h"
#include "host/common/settings.h"
#include "host/host.h"
#include "host/sdl/sdl_handle.h"
#include "host/sdl/sdl_notices.h"

struct SDL_Rect;
union SDL_Event;

namespace host::sdl {

class GpuPresenter;

class SdlWindow {
 public:
  // Full screen and the window's size follow the player into `settings`; `notices` are drawn
  // over the page.
  SdlWindow(common::Settings* settings, const Notices* notices);
  ~SdlWindow();
  SdlWindow(const SdlWindow&) = delete;
  SdlWindow& operator=(const SdlWindow&) = delete;

  // A borderless full-screen-desktop window, or a window as the settings say, drawn by the
  // renderer they name; false, with the reason on stderr, without one, and when SDL could
  // only make an invisible one. The icon is `icon_size` pixels square, RGBA.
  bool Open(const char* title, int width, int height, const std::vector<uint8_t>& icon_rgba,
            int icon_size);
  // Closes the window and SDL's video with it.
  void Close();
  // A message box when a window can be shown.
  static void ShowError(const char* title, const char* message);
  // Why no window could be shown, in one line; empty when one can.
  static std::string DisplayProblem();

  SDL_Window* Get() const { return window_.get(); }
  bool UsesGpu() const { return gpu_ != nullptr; }
  const common::KeptPage& Page() const { return page_; }

  // Between full screen and the largest whole multiple of the page that fits.
  void ToggleFullScreen();
  // A window event: a new size is kept in the settings, and the window repainted.
  void HandleEvent(const SDL_Event& event);
  // Keeps the page and draws the rows that changed, unless the palette or the window did.
  void Present(const uint8_t* pixels, int pitch, int width, int height, const Rgb* palette,
               const std::vector<Rect>* changed);
  // Draws the whole page again: what is over it changed.
  void Refresh();
  // Shows a page held back within a refresh, once it is due.
  void ShowDue();

 private:
  int WholeScale(int display) const;
  // The windowed size to use: the player's, or the largest whole multiple of the page, made
  // to fit the display's usable area (said once on stderr when it had to shrink).
  SDL_Rect WindowedSize(int display);
  // The window is now this size: kept for the next run if the player made it so.
  void KeepPlayersSize(int width, int height);
  void Redraw();
  void RedrawSurface();
  void MapColours(const SDL_PixelFormat* format);

  common::Settings* settings_;
  const Notices* notices_;
  SdlHandle<SDL_Window> window_;
  std::unique_ptr<GpuPresenter> gpu_;  // drawing with the GPU; the window's surface without
  // A 32-bit surface to scale into when the window's own surface has another depth.
  SdlHandle<SDL_Surface> staging_;
  int window_width_ = 0;  // the size asked for: the windowed size is a whole multiple of it
  int window_height_ = 0;
  // The windowed size the host itself last gave the window; a size it did not give is the
  // player's, and kept.
  int given_width_ = 0;
  int given_height_ = 0;
  int surface_width_ = 0;
  int surface_height_ = 0;
  common::KeptPage page_;
  std::array<uint32_t, 256> colours_ = {};  // the page's palette in the target surface's format
  uint32_t colours_format_ = 0;             // the format colours_ was made for; 0 = stale
  bool bars_stale_ = true;                  // the window needs a full repaint
  bool whole_page_stale_ = true;            // every row of the page needs converting
  std::vector<SDL_Rect> update_rects_;
  common::PageScaler scaler_;
};

}  // namespace host::sdl
