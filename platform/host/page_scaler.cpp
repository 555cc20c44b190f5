#include "platform/host/page_scaler.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace host {

PageRect FitPage(int page_width, int page_height, int target_width, int target_height) {
  if (page_width <= 0 || page_height <= 0 || target_width <= 0 || target_height <= 0) return {};
  PageRect rect;
  if (int64_t{target_width} * page_height <= int64_t{target_height} * page_width) {
    rect.width = target_width;
    rect.height = static_cast<int>(int64_t{target_width} * page_height / page_width);
  } else {
    rect.height = target_height;
    rect.width = static_cast<int>(int64_t{target_height} * page_width / page_height);
  }
  rect.x = (target_width - rect.width) / 2;
  rect.y = (target_height - rect.height) / 2;
  return rect;
}

std::vector<PageScaler::Tap> PageScaler::Taps(int page_size, int target_size) {
  std::vector<Tap> taps(std::max(target_size, 0));
  if (page_size <= 0 || target_size <= 0) return taps;
  if (target_size < page_size) {
    // Smaller than the page: the page pixel under each target pixel's centre.
    for (int i = 0; i < target_size; ++i) {
      int source = static_cast<int>((2 * int64_t{i} + 1) * page_size / (2 * int64_t{target_size}));
      taps[i] = {source, source, 0};
    }
    return taps;
  }
  // Target pixel i covers [i, i + 1) * span / target_size of the page scaled up `whole` times,
  // which is at most one of its pixels: so it sees one or two of them.
  const int64_t whole = target_size / page_size;
  const int64_t span = whole * page_size;
  for (int i = 0; i < target_size; ++i) {
    int64_t start = i * span, end = (i + 1) * span;  // in 1/target_size of a scaled pixel
    int64_t scaled = start / target_size;
    int64_t boundary = (scaled + 1) * target_size;
    int first = static_cast<int>(scaled / whole);
    Tap tap{first, first, 0};
    if (end > boundary) {
      int second = static_cast<int>((scaled + 1) / whole);
      uint32_t weight = static_cast<uint32_t>(((end - boundary) * 256 + span / 2) / span);
      if (second != first && weight > 0)
        tap = weight >= 256 ? Tap{second, second, 0} : Tap{first, second, weight};
    }
    taps[i] = tap;
  }
  return taps;
}

namespace {

// a + (b - a) * weight / 256, byte by byte: the loops are simple enough for the compiler to do
// sixteen bytes at a time. The weights are below 256, so the sums fit in 16 bits.
void BlendBytes(const uint8_t* a, const uint8_t* b, const uint8_t* weights, uint8_t* out,
                size_t count) {
  for (size_t i = 0; i < count; ++i)
    out[i] = static_cast<uint8_t>((a[i] * (256 - weights[i]) + b[i] * weights[i]) >> 8);
}

void BlendBytes(const uint8_t* a, const uint8_t* b, uint32_t weight, uint8_t* out, size_t count) {
  const uint32_t keep = 256 - weight;
  for (size_t i = 0; i < count; ++i)
    out[i] = static_cast<uint8_t>((a[i] * keep + b[i] * weight) >> 8);
}

}  // namespace

void PageScaler::ScaleAcross(const uint8_t* in, const uint32_t* colours, uint32_t* out) {
  const size_t width = columns_.size();
  if (column_weights_.empty()) {
    for (size_t x = 0; x < width; ++x) out[x] = colours[in[columns_[x].first]];
    return;
  }
  for (size_t x = 0; x < width; ++x) {
    out[x] = colours[in[columns_[x].first]];
    seconds_[x] = colours[in[columns_[x].second]];
  }
  auto* bytes = reinterpret_cast<uint8_t*>(out);
  BlendBytes(bytes, reinterpret_cast<const uint8_t*>(seconds_.data()), column_weights_.data(),
             bytes, width * 4);
}

void PageScaler::Scale(const uint8_t* page, int page_pitch, int page_width, int page_height,
                       const uint32_t* colours, uint32_t* target, int target_pitch, int width,
                       int height, const uint8_t* changed_rows) {
  written_.clear();
  if (width <= 0 || height <= 0 || page_width <= 0 || page_height <= 0) return;
  if (static_cast<int>(columns_.size()) != width || columns_page_ != page_width) {
    columns_ = Taps(page_width, width);
    columns_page_ = page_width;
    column_weights_.clear();
    if (std::any_of(columns_.begin(), columns_.end(), [](const Tap& tap) { return tap.weight; })) {
      for (const Tap& tap : columns_) column_weights_.insert(column_weights_.end(), 4, tap.weight);
    }
    seconds_.resize(width);
    for (auto& row : scratch_) row.resize(width);
  }
  if (static_cast<int>(rows_.size()) != height || rows_page_ != page_height) {
    rows_ = Taps(page_height, height);
    rows_page_ = page_height;
  }
  // Each page row is scaled across once: into the target row that shows it alone, or into
  // scratch when it is only ever blended; later rows that need it copy or blend from there.
  const uint32_t* across[2] = {};  // page rows scaled across, by the row's parity
  int across_row[2] = {-1, -1};
  auto scaled = [&](int row, uint32_t* out) {
    const int slot = row & 1;
    if (across_row[slot] != row) {
      uint32_t* into = out ? out : scratch_[slot].data();
      ScaleAcross(page + static_cast<ptrdiff_t>(row) * page_pitch, colours, into);
      across[slot] = into;
      across_row[slot] = row;
    }
    return across[slot];
  };
  auto* rows = reinterpret_cast<uint8_t*>(target);
  for (int y = 0; y < height; ++y) {
    auto* out = reinterpret_cast<uint32_t*>(rows + static_cast<ptrdiff_t>(y) * target_pitch);
    const Tap& tap = rows_[y];
    if (changed_rows && !changed_rows[tap.first] && !changed_rows[tap.second]) continue;
    if (!written_.empty() && written_.back().end == y)
      ++written_.back().end;
    else
      written_.push_back({y, y + 1});
    if (!tap.weight) {
      const uint32_t* first = scaled(tap.first, out);
      if (first != out) std::memcpy(out, first, sizeof(uint32_t) * width);
      continue;
    }
    const uint32_t* first = scaled(tap.first, nullptr);
    const uint32_t* second = scaled(tap.second, nullptr);
    BlendBytes(reinterpret_cast<const uint8_t*>(first), reinterpret_cast<const uint8_t*>(second),
               tap.weight, reinterpret_cast<uint8_t*>(out), sizeof(uint32_t) * width);
  }
}

}  // namespace host
