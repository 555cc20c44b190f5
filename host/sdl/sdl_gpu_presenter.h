// The page drawn by SDL's renderer: the same look as the software scaler, with the GPU doing
// the scaling and vsync ending the tearing.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "host/common/page_scaler.h"
#include "host/sdl/sdl_handle.h"

namespace host::sdl {

// Whether a renderer's name (SDL's, or the GL driver's) is a rasteriser on the CPU.
bool IsSoftwareRasteriser(std::string_view name);

// The page as a streaming texture, enlarged with nearest pixels into a render target by the
// first whole multiple at least as large as the window's rectangle, and that brought smoothly
// down to the rectangle between black bars.
class GpuPresenter {
 public:
  // SDL's accelerated renderer for `window`, with vsync; nullptr when SDL has none or, with
  // `hardware_only`, when it rasterises on the CPU all the same (llvmpipe and the like). On a
  // display server that is asked first in a process of its own, so that a CPU rasteriser's
  // driver never loads into the game.
  static std::unique_ptr<GpuPresenter> Open(SDL_Window* window, bool hardware_only);
  // Takes over `renderer`, made for `window`; Open is the way in.
  GpuPresenter(SDL_Window* window, SDL_Renderer* renderer);
  ~GpuPresenter();
  GpuPresenter(const GpuPresenter&) = delete;
  GpuPresenter& operator=(const GpuPresenter&) = delete;

  // The pixel format the colour table for Update must be in.
  const SDL_PixelFormat* Format() const { return format_.get(); }

  // Takes the page where `changed` says it changed (all of it without), through `colours`.
  void Update(const uint8_t* page, int width, int height, const uint32_t* colours,
              const common::PageScaler::Span* changed);
  // Uploads the page as Update left it with `draw` run over a copy of it first (a host's
  // notice); the page itself stays clean for the next Update.
  void DrawOver(
      const std::function<void(uint32_t* pixels, int pitch, int width, int height)>& draw);
  // How the page fills the window from the next page shown.
  void SetScaling(common::Scaling scaling) { scaling_ = scaling; }
  // Shows the page on the next vblank; within a refresh of the last one it is held back for
  // ShowDue instead, so that a run of pages (a fade) never waits a vblank for each.
  void Show();
  // Shows the page Show held back, once a refresh has passed since the last one.
  void ShowDue();

 private:
  void Draw();

  SdlHandle<SDL_Renderer> renderer_;
  SdlHandle<SDL_PixelFormat> format_;
  SdlHandle<SDL_Texture> page_;
  SdlHandle<SDL_Texture> enlarged_;  // the page times `multiple_`
  int page_width_ = 0;
  int page_height_ = 0;
  int multiple_ = 0;
  int max_texture_size_ = 0;      // in pixels, either way
  std::vector<uint32_t> pixels_;  // the page in `format_`
  std::vector<uint32_t> over_;    // a copy of it with a notice drawn over
  common::PageScaler converter_;  // one to one: the colour table, and the rows it wrote
  uint64_t refresh_ticks_ = 0;    // one refresh of the display, in performance-counter ticks
  uint64_t last_shown_ = 0;
  bool held_back_ = false;
  common::Scaling scaling_ = common::Scaling::kSmooth;
};

}  // namespace host::sdl
