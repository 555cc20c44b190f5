#include "host/common/kept_page.h"

#include <algorithm>
#include <cstring>

namespace host::common {
namespace {

// Whether the eight bytes at `a` and `b` are the same.
bool SameWord(const uint8_t* a, const uint8_t* b) {
  uint64_t x, y;
  std::memcpy(&x, a, 8);
  std::memcpy(&y, b, 8);
  return x == y;
}

// From the first byte where rows `a` and `b` differ to the last; they differ somewhere. A
// word at a time, since most of a changed row is the same.
PageScaler::Span Differing(const uint8_t* a, const uint8_t* b, int count) {
  int first = 0;
  while (first + 8 <= count && SameWord(a + first, b + first)) first += 8;
  while (a[first] == b[first]) ++first;
  int end = count;
  while (end - 8 >= first && SameWord(a + end - 8, b + end - 8)) end -= 8;
  while (a[end - 1] == b[end - 1]) --end;
  return {first, end};
}

}  // namespace

KeptPage::Change KeptPage::Update(const uint8_t* pixels, int pitch, int width, int height,
                                  const Rgb* palette, const std::vector<Rect>* changed) {
  Change change;
  if (width != width_ || height != height_) {
    pixels_.assign(static_cast<size_t>(width) * height, 0);
    changes_.assign(height, {});
    width_ = width;
    height_ = height;
    change.size = true;
  }
  // A new size compares everything: what was kept is of no use.
  const PageScaler::Span whole{0, width};
  looked_.assign(height, changed && !change.size ? PageScaler::Span{} : whole);
  if (changed && !change.size) {
    for (const Rect& r : *changed) {
      const PageScaler::Span columns{std::max(r.left, 0), std::min(r.right, width)};
      if (columns.Empty()) continue;
      for (int y = std::max(r.top, 0); y < std::min(r.bottom, height); ++y)
        looked_[y] = looked_[y].With(columns);
    }
  }
  for (int y = 0; y < height; ++y) {
    const PageScaler::Span look = looked_[y];
    if (look.Empty()) continue;
    const uint8_t* in = pixels + static_cast<ptrdiff_t>(y) * pitch + look.first;
    uint8_t* kept = pixels_.data() + static_cast<size_t>(y) * width + look.first;
    const int count = look.end - look.first;
    if (std::memcmp(kept, in, count) == 0) continue;
    PageScaler::Span differing = Differing(kept, in, count);
    std::memcpy(kept + differing.first, in + differing.first, differing.end - differing.first);
    differing = {differing.first + look.first, differing.end + look.first};
    changes_[y] = changes_[y].With(differing);
    change.rows = true;
  }
  if (std::memcmp(palette_.data(), palette, sizeof palette_) != 0) {
    std::memcpy(palette_.data(), palette, sizeof palette_);
    change.palette = true;
  }
  return change;
}

void KeptPage::MarkDrawn() {
  std::fill(changes_.begin(), changes_.end(), PageScaler::Span{});
}

}  // namespace host::common
