// What the SDL host says over the picture, never on the game's page: the menu while paused, a
// line under the picture for a moment (where a screenshot went), and a standing label above it
// ("REPLAY" while a recording plays). Also the screenshots.
#pragma once
#include <cstdint>
#include <string>
#include <utility>

#include "host/common/kept_page.h"
#include "host/common/menu.h"
#include "host/common/pad_policy.h"

struct SDL_PixelFormat;

namespace host::sdl {

class Notices {
 public:
  // Without a menu, "PAUSED" shows while paused.
  explicit Notices(const common::PauseState* pause, const common::Menu* menu = nullptr,
                   std::string label = "")
      : pause_(pause), menu_(menu), label_(std::move(label)) {}

  // How long a line shows.
  static constexpr uint32_t kNoticeMs = 2500;

  // Shows `text` under the picture from `now_ms`, on the host's clock.
  void Say(std::string text, uint32_t now_ms);
  // Takes the line away once its time is up; true when it did, so the picture is redrawn.
  bool Expire(uint32_t now_ms);
  // "NEW HIGH SCORE" with the place taken while `place` is not 0; true when that changed.
  bool HighScore(int place);
  // Whether anything is drawn over the picture.
  bool Any() const {
    return pause_->Paused() || !line_.empty() || high_score_place_ > 0 || !label_.empty();
  }
  // Draws them over a picture of 32-bit pixels in `format`, scaled with it.
  void Draw(const SDL_PixelFormat* format, uint32_t* picture, int pitch, int width,
            int height) const;

 private:
  const common::PauseState* pause_;
  const common::Menu* menu_;
  std::string label_;
  std::string line_;
  uint32_t until_ = 0;
  int high_score_place_ = 0;
};

// Writes the page as a compressed PNG, named by the date and time, into the player's pictures
// folder; says where on stderr and returns the line to show the player.
std::string SaveScreenshot(const common::KeptPage& page);

}  // namespace host::sdl
