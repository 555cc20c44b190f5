// GDI text on a device context: the built-in font, in the palette entry nearest the colour.
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/fault.h"
#include "platform/font.h"
#include "platform/gdi_dc.h"

namespace {

// Nearest entry by squared RGB distance, the lowest index on ties. The palette rarely
// changes between calls, so the last answer is kept with what it was computed from.
uint8_t NearestEntry(COLORREF colour) {
  static std::array<PALETTEENTRY, 256> cached_palette{};
  static COLORREF cached_colour = 0;
  static uint8_t cached_index = 0;
  static bool cached = false;

  std::array<PALETTEENTRY, 256> palette{};
  if (const PALETTEENTRY* screen = platform::ScreenPalette())
    std::memcpy(palette.data(), screen, sizeof(PALETTEENTRY) * 256);
  if (cached && colour == cached_colour &&
      std::memcmp(palette.data(), cached_palette.data(), sizeof(PALETTEENTRY) * 256) == 0)
    return cached_index;

  int best = 0;
  long best_distance = -1;
  for (int i = 0; i < 256; ++i) {
    long dr = palette[i].peRed - GetRValue(colour);
    long dg = palette[i].peGreen - GetGValue(colour);
    long db = palette[i].peBlue - GetBValue(colour);
    long distance = dr * dr + dg * dg + db * db;
    if (best_distance < 0 || distance < best_distance) {
      best = i;
      best_distance = distance;
    }
  }
  cached_palette = palette;
  cached_colour = colour;
  cached_index = static_cast<uint8_t>(best);
  cached = true;
  return cached_index;
}

}  // namespace

COLORREF WINAPI SetTextColor(HDC dc, COLORREF colour) {
  if (!dc) return 0xFFFFFFFF;  // CLR_INVALID
  COLORREF previous = dc->text_colour;
  dc->text_colour = colour;
  return previous;
}

COLORREF WINAPI SetBkColor(HDC dc, COLORREF colour) {
  if (!dc) return 0xFFFFFFFF;
  COLORREF previous = dc->background_colour;
  dc->background_colour = colour;
  return previous;
}

int WINAPI SetBkMode(HDC dc, int mode) {
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int previous = dc->background_mode;
  dc->background_mode = mode;
  return previous;
}

BOOL WINAPI TextOutA(HDC dc, int x, int y, LPCSTR text, int length) {
  if (platform::ShouldFail("TextOutA") || !dc || length < 0 || (length > 0 && !text)) return FALSE;
  if (!dc->pixels) return TRUE;  // a window's DC: nothing of ours to draw on
  uint8_t ink = NearestEntry(dc->text_colour);
  bool opaque = dc->background_mode == OPAQUE;
  uint8_t paper = opaque ? NearestEntry(dc->background_colour) : 0;

  int row_first = std::max(0, -y);
  int row_end = std::min(platform::font::kHeight, dc->height - y);
  int left = x;
  for (int i = 0; i < length && left < dc->width; ++i) {
    char c = text[i];
    int advance = platform::font::Advance(c);
    for (int gx = std::max(0, -left); gx < advance && left + gx < dc->width; ++gx) {
      for (int gy = row_first; gy < row_end; ++gy) {
        uint8_t* pixel = dc->pixels + static_cast<ptrdiff_t>(y + gy) * dc->pitch + left + gx;
        if (platform::font::Pixel(c, gx, gy)) {
          *pixel = ink;
        } else if (opaque) {
          *pixel = paper;
        }
      }
    }
    left += advance;
  }
  return TRUE;
}
