// The last page a host was given, kept with its palette, and where each of its rows changed
// since it was last drawn, so that a host redraws only there: in play, the few places the
// sprites move in. No platform in here.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "host/host.h"
#include "host/common/page_scaler.h"

namespace host::common {

class KeptPage {
 public:
  // What an Update changed.
  struct Change {
    bool rows = false;     // some rows differ (as Changes says)
    bool size = false;     // a new size: every row is new
    bool palette = false;  // a new palette: every row looks different
  };
  // Copies the page and its palette, noting where each row differs from the one kept. With
  // `changed` (the places the page may differ in; nullptr: anywhere), looks only there.
  Change Update(const uint8_t* pixels, int pitch, int width, int height, const Rgb* palette,
                const std::vector<Rect>* changed = nullptr);
  // Forgets the changes, once they are drawn.
  void MarkDrawn();

  bool Empty() const { return pixels_.empty(); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Height() rows of Width() bytes, one after the other.
  const uint8_t* Pixels() const { return pixels_.data(); }
  const Rgb* Palette() const { return palette_.data(); }
  // For each row, the columns from its first changed pixel to its last since MarkDrawn;
  // none when it did not change.
  const PageScaler::Span* Changes() const { return changes_.data(); }

 private:
  std::vector<uint8_t> pixels_;
  int width_ = 0, height_ = 0;
  std::array<Rgb, 256> palette_ = {};
  std::vector<PageScaler::Span> changes_;
  std::vector<PageScaler::Span> looked_;  // for each row, the columns Update compares
};

}  // namespace host::common
