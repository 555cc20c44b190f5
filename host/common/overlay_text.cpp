#include "host/common/overlay_text.h"

#include <algorithm>
#include <cstddef>

#include "host/common/font.h"

namespace host::common {

OverlayRows OverlayBand(int centre_y, int scale) {
  int height = (font::kHeight + 8) * scale;
  return {centre_y - height / 2, centre_y - height / 2 + height};
}

void DrawOverlayText(uint32_t* pixels, int pitch, int width, int height, const std::string& text,
                     int centre_y, int scale, uint32_t ink, uint32_t shade) {
  auto row = [&](int y) {
    return reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(pixels) +
                                       std::ptrdiff_t(y) * pitch);
  };
  OverlayRows band = OverlayBand(centre_y, scale);
  int text_width = font::TextWidth(text.c_str(), int(text.size())) * scale;
  int left = (width - text_width) / 2;
  int band_left = std::max(0, left - 8 * scale),
      band_right = std::min(width, left + text_width + 8 * scale);
  for (int y = std::max(0, band.first); y < std::min(height, band.end); ++y)
    std::fill(row(y) + band_left, row(y) + std::max(band_left, band_right), shade);

  int top = band.first + 4 * scale;
  int x = left;
  for (char c : text) {
    int advance = font::Advance(c);
    for (int fy = 0; fy < font::kHeight; ++fy) {
      for (int fx = 0; fx < advance; ++fx) {
        if (!font::Pixel(c, fx, fy)) continue;
        for (int dy = 0; dy < scale; ++dy) {
          int y = top + fy * scale + dy;
          if (y < 0 || y >= height) continue;
          uint32_t* out = row(y);
          for (int dx = 0; dx < scale; ++dx) {
            int px = x + fx * scale + dx;
            if (px >= 0 && px < width) out[px] = ink;
          }
        }
      }
    }
    x += advance * scale;
  }
}

void DrawMenuPicture(uint32_t* pixels, int pitch, int width, int height, const MenuPicture& picture,
                     uint32_t ink, uint32_t selected_ink, uint32_t shade) {
  // The title, a gap, the lines, and a gap and the notice when there is one.
  const int rows = 2 + int(picture.lines.size()) + (picture.notice.empty() ? 0 : 2);
  const int row_height = font::kHeight + 8;
  const int scale = std::max(1, std::min(height / 300, height / (rows * row_height)));
  const int step = row_height * scale;
  int y = (height - rows * step) / 2 + step / 2;
  // One panel under it all, so the game does not show between the lines.
  int widest = font::TextWidth(picture.title.c_str(), int(picture.title.size()));
  for (const MenuLine& line : picture.lines)
    widest = std::max(widest, font::TextWidth(line.text.c_str(), int(line.text.size())) + 24);
  widest = std::max(widest, font::TextWidth(picture.notice.c_str(), int(picture.notice.size())));
  const int half = widest * scale / 2 + 8 * scale;
  for (int row = std::max(0, y - step / 2); row < std::min(height, y - step / 2 + rows * step);
       ++row) {
    uint32_t* out = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(pixels) +
                                                std::ptrdiff_t(row) * pitch);
    std::fill(out + std::max(0, width / 2 - half), out + std::min(width, width / 2 + half), shade);
  }
  DrawOverlayText(pixels, pitch, width, height, picture.title, y, scale, ink, shade);
  y += 2 * step;
  for (const MenuLine& line : picture.lines) {
    DrawOverlayText(pixels, pitch, width, height,
                    line.selected ? "> " + line.text + " <" : line.text, y, scale,
                    line.selected ? selected_ink : ink, shade);
    y += step;
  }
  if (!picture.notice.empty())
    DrawOverlayText(pixels, pitch, width, height, picture.notice, y + step, scale, ink, shade);
}

}  // namespace host::common
