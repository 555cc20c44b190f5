#include "host/sdl/sdl_window.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "host/sdl/sdl_gpu_presenter.h"

namespace host::sdl {
namespace {

// True when SDL could only give a video driver that shows nothing, and nobody asked for it.
bool InvisibleDriver() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver) return true;
  if (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0) return false;
  const char* asked = std::getenv("SDL_VIDEODRIVER");
  return !asked || std::strcmp(asked, driver) != 0;
}

// Starts SDL's video; on failure, why, with nothing started. Without a usable runtime folder no
// Wayland display can be reached, and Wayland's library would say so on stderr as SDL tried:
// the other drivers are tried alone then.
std::string StartVideo() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::error_code ec;
  if (!std::getenv("SDL_VIDEODRIVER") && (!runtime || !std::filesystem::is_directory(runtime, ec)))
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  const char* no_display =
      "no display to show the game on (DISPLAY and WAYLAND_DISPLAY are not set, or name no "
      "display that can be opened)";
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) return no_display;
    return std::string("cannot open a window: ") + SDL_GetError();
  }
  if (InvisibleDriver()) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return no_display;
  }
  return "";
}

}  // namespace

std::string SdlWindow::DisplayProblem() {
  // When there is a display, SDL's video stays started for the window to come: an X server
  // with no other client (a virtual one) resets when the last connection closes, and would
  // refuse the window's connection meanwhile.
  return StartVideo();
}

SdlWindow::SdlWindow(common::Settings* settings, const Notices* notices)
    : settings_(settings), notices_(notices) {}

SdlWindow::~SdlWindow() {
  gpu_.reset();
  staging_.reset();
  window_.reset();
}

bool SdlWindow::Open(const char* title, int width, int height,
                     const std::vector<uint8_t>& icon_rgba, int icon_size) {
  Close();
  if (std::string problem = StartVideo(); !problem.empty()) {
    std::fprintf(stderr, "ferrowyn: %s\n", problem.c_str());
    return false;
  }
  // Scaled in software, the page goes straight into the window on X11: far cheaper than SDL's
  // renderer on the CPU. Drivers with no such framebuffer (Wayland, KMS) need the renderer.
  if (const char* driver = SDL_GetCurrentVideoDriver(); driver && std::strcmp(driver, "x11") == 0)
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  window_width_ = width;
  window_height_ = height;
  SDL_Rect place{SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height};
  Uint32 flags = SDL_WINDOW_RESIZABLE;
  if (settings_->fullscreen) {
    // Made as large as the desktop too, so it covers the screen even with no window manager
    // to honour the full-screen request.
    SDL_GetDisplayBounds(0, &place);
    flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  } else {
    SDL_Rect size = WindowedSize(0);
    place.w = size.w;
    place.h = size.h;
  }
  window_.reset(SDL_CreateWindow(title, place.x, place.y, place.w, place.h, flags));
  if (!window_) {
    std::fprintf(stderr, "ferrowyn: cannot open a window: %s\n", SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  // The smallest window: half the page each way, where its text is still legible.
  SDL_SetWindowMinimumSize(window_.get(), common::kSmallestWindowWidth,
                           common::kSmallestWindowHeight);
  if (icon_size > 0 && icon_rgba.size() == size_t(icon_size) * icon_size * 4) {
    // SDL copies the pixels; the surface only lends them.
    if (SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
            const_cast<uint8_t*>(icon_rgba.data()), icon_size, icon_size, 32, icon_size * 4,
            SDL_PIXELFORMAT_RGBA32)) {
      SDL_SetWindowIcon(window_.get(), surface);
      SDL_FreeSurface(surface);
    }
  }
  const common::Renderer renderer =
      common::ParseRenderer(settings_->renderer).value_or(common::Renderer::kAutomatic);
  if (renderer != common::Renderer::kSoftware) {
    gpu_ = GpuPresenter::Open(window_.get(), renderer == common::Renderer::kAutomatic);
    if (!gpu_ && renderer == common::Renderer::kGpu)
      std::fprintf(stderr, "ferrowyn: no GPU renderer (%s): drawing in software\n", SDL_GetError());
  }
  bars_stale_ = true;
  colours_format_ = 0;
  return true;
}

int SdlWindow::WholeScale(int display) const {
  SDL_Rect usable;
  if (SDL_GetDisplayUsableBounds(display, &usable) != 0 || window_width_ <= 0 ||
      window_height_ <= 0)
    return 1;
  return std::max(1, std::min(usable.w / window_width_, usable.h / window_height_));
}

SDL_Rect SdlWindow::WindowedSize(int display) {
  SDL_Rect size{0, 0, settings_->window_width, settings_->window_height};
  if (size.w <= 0 || size.h <= 0) {
    size.w = window_width_ * WholeScale(display);
    size.h = window_height_ * WholeScale(display);
  }
  SDL_Rect usable;
  if (SDL_GetDisplayUsableBounds(display, &usable) == 0 && usable.w > 0 && usable.h > 0 &&
      (size.w > usable.w || size.h > usable.h)) {
    // The largest size of the same shape that fits; a window larger than the screen opens
    // partly off it.
    const double shrink = std::min(double(usable.w) / size.w, double(usable.h) / size.h);
    const SDL_Rect asked = size;
    size.w = std::max(common::kSmallestWindowWidth, int(size.w * shrink));
    size.h = std::max(common::kSmallestWindowHeight, int(size.h * shrink));
    std::fprintf(stderr, "ferrowyn: a %dx%d window does not fit the desktop (%dx%d): %dx%d\n",
                 asked.w, asked.h, usable.w, usable.h, size.w, size.h);
  }
  given_width_ = size.w;
  given_height_ = size.h;
  return size;
}

void SdlWindow::ShowError(const char* title, const char* message) {
  if (!StartVideo().empty()) return;
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, message, nullptr);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void SdlWindow::Close() {
  if (!window_) return;
  gpu_.reset();
  staging_.reset();
  window_.reset();
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void SdlWindow::ToggleFullScreen() {
  SDL_Window* window = window_.get();
  if (!window) return;
  if (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) {
    SDL_SetWindowFullscreen(window, 0);
    settings_->fullscreen = false;
    // Back to the size the player had; else the largest whole multiple of the page that
    // fits, which keeps every pixel the same size.
    int display = std::max(0, SDL_GetWindowDisplayIndex(window));
    SDL_Rect size = WindowedSize(display);
    SDL_SetWindowSize(window, size.w, size.h);
    SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED_DISPLAY(display),
                          SDL_WINDOWPOS_CENTERED_DISPLAY(display));
  } else {
    // Cover the desktop first: without a window manager the request alone changes nothing.
    SDL_Rect desktop;
    if (SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(window)), &desktop) == 0) {
      SDL_SetWindowPosition(window, desktop.x, desktop.y);
      SDL_SetWindowSize(window, desktop.w, desktop.h);
    }
    SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    settings_->fullscreen = true;
  }
  bars_stale_ = true;
  Redraw();
}

void SdlWindow::HandleEvent(const SDL_Event& event) {
  switch (event.window.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      KeepPlayersSize(event.window.data1, event.window.data2);
      [[fallthrough]];
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_RESTORED:
      bars_stale_ = true;
      Redraw();
      break;
  }
}

void SdlWindow::KeepPlayersSize(int width, int height) {
  if (!window_ || (SDL_GetWindowFlags(window_.get()) & SDL_WINDOW_FULLSCREEN)) return;
  int w = 0, h = 0;
  SDL_GetWindowSize(window_.get(), &w, &h);
  // A size passed on the way (out of full screen) is not the window's now, and one the host
  // gave it (fitting the desktop, coming back from full screen) is not the player's.
  if (w != width || h != height || (w == given_width_ && h == given_height_)) return;
  settings_->window_width = w;
  settings_->window_height = h;
}

void SdlWindow::Present(const uint8_t* pixels, int pitch, int width, int height, const Rgb* palette,
                        const std::vector<Rect>* changed) {
  if (!pixels || width <= 0 || height <= 0) return;
  // Only where the rows changed is converted and sent to the screen.
  common::KeptPage::Change change = page_.Update(pixels, pitch, width, height, palette, changed);
  if (change.palette) colours_format_ = 0;
  if (change.size || change.palette) whole_page_stale_ = true;
  if (change.rows || whole_page_stale_ || bars_stale_) Redraw();
}

void SdlWindow::Refresh() {
  whole_page_stale_ = true;
  bars_stale_ = true;  // the scaling may have moved the page
  Redraw();
}

void SdlWindow::ShowDue() {
  if (gpu_) gpu_->ShowDue();
}

void SdlWindow::Redraw() {
  if (!window_ || page_.Empty()) return;
  if (!gpu_) {
    RedrawSurface();
    return;
  }
  if (colours_format_ != gpu_->Format()->format) MapColours(gpu_->Format());
  gpu_->SetScaling(settings_->scaling);
  // A notice is drawn over the page at its own size, and enlarged with it.
  const bool overlay = notices_->Any();
  gpu_->Update(page_.Pixels(), page_.Width(), page_.Height(), colours_.data(),
               whole_page_stale_ || overlay ? nullptr : page_.Changes());
  if (overlay) {
    gpu_->DrawOver([this](uint32_t* pixels, int pitch, int width, int height) {
      notices_->Draw(gpu_->Format(), pixels, pitch, width, height);
    });
  }
  page_.MarkDrawn();
  whole_page_stale_ = false;
  bars_stale_ = false;
  gpu_->Show();
}

void SdlWindow::MapColours(const SDL_PixelFormat* format) {
  for (int i = 0; i < 256; ++i) {
    const Rgb& rgb = page_.Palette()[i];
    colours_[i] = SDL_MapRGB(format, rgb.r, rgb.g, rgb.b);
  }
  colours_format_ = format->format;
  whole_page_stale_ = true;
}

void SdlWindow::RedrawSurface() {
  SDL_Surface* surface = SDL_GetWindowSurface(window_.get());
  if (!surface) return;
  if (surface->w != surface_width_ || surface->h != surface_height_) {
    surface_width_ = surface->w;
    surface_height_ = surface->h;
    bars_stale_ = true;
  }
  common::PageRect rect =
      common::FitPage(page_.Width(), page_.Height(), surface->w, surface->h, settings_->scaling);
  if (rect.width <= 0 || rect.height <= 0) return;

  // The scaler blends whole bytes: straight into the window only when its pixels are 8 bits a
  // channel.
  bool direct = SDL_PIXELLAYOUT(surface->format->format) == SDL_PACKEDLAYOUT_8888;
  SDL_Surface* target = surface;
  if (!direct) {
    if (!staging_ || staging_->w != rect.width || staging_->h != rect.height) {
      staging_.reset(
          SDL_CreateRGBSurfaceWithFormat(0, rect.width, rect.height, 32, SDL_PIXELFORMAT_XRGB8888));
      whole_page_stale_ = true;
    }
    if (!staging_) return;
    target = staging_.get();
  }
  if (colours_format_ != target->format->format) MapColours(target->format);

  // A notice over the picture is redrawn with the whole page under it, and wiped with it.
  const bool overlay = notices_->Any();
  const bool whole = bars_stale_ || whole_page_stale_ || overlay;
  if (bars_stale_) SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
  if (SDL_MUSTLOCK(target) && SDL_LockSurface(target) != 0) return;
  auto* origin = static_cast<uint8_t*>(target->pixels);
  if (direct) origin += static_cast<ptrdiff_t>(rect.y) * target->pitch + rect.x * 4;
  scaler_.Scale(page_.Pixels(), page_.Width(), page_.Width(), page_.Height(), colours_.data(),
                reinterpret_cast<uint32_t*>(origin), target->pitch, rect.width, rect.height,
                whole ? nullptr : page_.Changes());
  if (overlay)
    notices_->Draw(target->format, reinterpret_cast<uint32_t*>(origin), target->pitch, rect.width,
                   rect.height);
  if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
  page_.MarkDrawn();
  whole_page_stale_ = false;

  SDL_Rect area{rect.x, rect.y, rect.width, rect.height};
  if (!direct) SDL_BlitSurface(target, nullptr, surface, &area);
  if (bars_stale_) {
    SDL_UpdateWindowSurface(window_.get());
    bars_stale_ = false;
    return;
  }
  update_rects_.clear();
  for (const common::PageRect& area : scaler_.Written())
    update_rects_.push_back({rect.x + area.x, rect.y + area.y, area.width, area.height});
  if (!update_rects_.empty())
    SDL_UpdateWindowSurfaceRects(window_.get(), update_rects_.data(),
                                 static_cast<int>(update_rects_.size()));
}

}  // namespace host::sdl
