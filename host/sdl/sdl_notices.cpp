#include "host/sdl/sdl_notices.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <utility>

#include "host/common/overlay_text.h"
#include "host/common/pictures_folder.h"
#include "host/common/png_writer.h"
#include "host/sdl/sdl_keys.h"

namespace host::sdl {

void Notices::Say(std::string text, uint32_t now_ms) {
  line_ = std::move(text);
  until_ = now_ms + kNoticeMs;
}

bool Notices::Expire(uint32_t now_ms) {
  // Signed, so the time is up right across the clock's wrap.
  if (line_.empty() || static_cast<int32_t>(until_ - now_ms) > 0) return false;
  line_.clear();
  return true;
}

bool Notices::HighScore(int place) {
  if (place == high_score_place_) return false;
  high_score_place_ = place;
  return true;
}

void Notices::Draw(const SDL_PixelFormat* format, uint32_t* picture, int pitch, int width,
                   int height) const {
  const int scale = std::max(1, height / 300);
  const uint32_t ink = SDL_MapRGB(format, 255, 255, 255);
  const uint32_t shade = SDL_MapRGB(format, 0, 0, 0);
  // Above the game's own "GAME OVER", which is at the page's middle.
  if (high_score_place_ > 0)
    common::DrawOverlayText(picture, pitch, width, height,
                            "NEW HIGH SCORE  -  PLACE " + std::to_string(high_score_place_),
                            height / 3, scale, SDL_MapRGB(format, 255, 220, 64), shade);
  if (menu_ && menu_->IsOpen())
    common::DrawMenuPicture(picture, pitch, width, height, menu_->Picture(KeyLabel), ink,
                            SDL_MapRGB(format, 255, 220, 64), shade);
  else if (pause_->Paused())
    common::DrawOverlayText(picture, pitch, width, height, "PAUSED", height / 2, scale, ink, shade);
  common::OverlayRows band = common::OverlayBand(0, scale);
  if (!label_.empty())
    common::DrawOverlayText(picture, pitch, width, height, label_, -band.first + 2 * scale, scale,
                            ink, shade);
  if (!line_.empty()) {
    common::DrawOverlayText(picture, pitch, width, height, line_, height + band.first - 2 * scale,
                            scale, ink, shade);
  }
}

std::string SaveScreenshot(const common::KeptPage& page) {
  if (page.Empty()) return "";
  namespace fs = std::filesystem;
  fs::path folder = common::PicturesFolder();
  std::error_code error;
  fs::create_directories(folder, error);

  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[48];
  std::strftime(stamp, sizeof stamp, "ferrowyn-%Y-%m-%d-%H%M%S", &local);
  // Two shots within one second must not overwrite each other.
  fs::path path = folder / (std::string(stamp) + ".png");
  for (int n = 2; fs::exists(path, error); ++n)
    path = folder / (std::string(stamp) + "-" + std::to_string(n) + ".png");

  if (common::WriteCompressedPng(path.string(), page.Pixels(), page.Width(), page.Width(),
                                 page.Height(), page.Palette())) {
    std::fprintf(stderr, "ferrowyn: screenshot saved as %s\n", path.c_str());
    return "saved " + path.filename().string();
  }
  std::fprintf(stderr, "ferrowyn: cannot write the screenshot %s\n", path.c_str());
  return "cannot save the screenshot";
}

}  // namespace host::sdl
