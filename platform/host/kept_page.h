// The last page a host was given, kept with its palette, and which of its rows changed since
// they were last drawn, so that a host redraws only those: in play, the few bands the sprites
// move in. No platform in here.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "platform/host/host.h"

namespace host {

class KeptPage {
 public:
  // What an Update changed.
  struct Change {
    bool rows = false;     // some rows differ (flagged in ChangedRows)
    bool size = false;     // a new size: every row is new
    bool palette = false;  // a new palette: every row looks different
  };
  // Copies the page and its palette, flagging each row that differs from the one kept.
  Change Update(const uint8_t* pixels, int pitch, int width, int height, const Rgb* palette);
  // Clears the flags, once the flagged rows are drawn.
  void MarkDrawn();

  bool Empty() const { return pixels_.empty(); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Height() rows of Width() bytes, one after the other.
  const uint8_t* Pixels() const { return pixels_.data(); }
  const Rgb* Palette() const { return palette_.data(); }
  // A flag for each row, set when it changed since MarkDrawn.
  const uint8_t* ChangedRows() const { return changed_rows_.data(); }

 private:
  std::vector<uint8_t> pixels_;
  int width_ = 0, height_ = 0;
  std::array<Rgb, 256> palette_ = {};
  std::vector<uint8_t> changed_rows_;
};

}  // namespace host
