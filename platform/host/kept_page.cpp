#include "platform/host/kept_page.h"

#include <algorithm>
#include <cstring>

namespace host {

KeptPage::Change KeptPage::Update(const uint8_t* pixels, int pitch, int width, int height,
                                  const Rgb* palette) {
  Change change;
  if (width != width_ || height != height_) {
    pixels_.assign(static_cast<size_t>(width) * height, 0);
    changed_rows_.assign(height, 0);
    width_ = width;
    height_ = height;
    change.size = true;
  }
  for (int y = 0; y < height; ++y) {
    const uint8_t* in = pixels + static_cast<ptrdiff_t>(y) * pitch;
    uint8_t* kept = pixels_.data() + static_cast<size_t>(y) * width;
    if (std::memcmp(kept, in, width) == 0) continue;
    std::memcpy(kept, in, width);
    changed_rows_[y] = 1;
    change.rows = true;
  }
  if (std::memcmp(palette_.data(), palette, sizeof palette_) != 0) {
    std::memcpy(palette_.data(), palette, sizeof palette_);
    change.palette = true;
  }
  return change;
}

void KeptPage::MarkDrawn() {
  std::fill(changed_rows_.begin(), changed_rows_.end(), 0);
}

}  // namespace host
