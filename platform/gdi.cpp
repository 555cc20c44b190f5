// GDI text on a device context: the built-in font, in the palette entry nearest the colour.
#include <windows.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "platform/fault.h"
#include "host/common/font.h"
#include "platform/gdi_dc.h"

namespace {

// Nearest entry by squared RGB distance, the lowest index on ties.
uint8_t SearchPalette(const PALETTEENTRY* palette, COLORREF colour) {
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
  return static_cast<uint8_t>(best);
}

// The screen's entry for a text colour. A frame prints in a handful of colours over a
// palette that rarely changes, so the answers are kept until the palette does.
uint8_t NearestEntry(COLORREF colour) {
  struct Answer {
    COLORREF colour;
    uint8_t index;
  };
  static std::array<PALETTEENTRY, 256> known_palette{};
  static std::array<Answer, 16> answers{};
  static size_t answer_count = 0;
  static const std::array<PALETTEENTRY, 256> no_palette{};

  const PALETTEENTRY* palette = platform::ScreenPalette();
  if (!palette) palette = no_palette.data();
  if (std::memcmp(palette, known_palette.data(), sizeof(PALETTEENTRY) * 256) != 0) {
    std::memcpy(known_palette.data(), palette, sizeof(PALETTEENTRY) * 256);
    answer_count = 0;
  }
  for (size_t i = 0; i < answer_count; ++i)
    if (answers[i].colour == colour) return answers[i].index;
  uint8_t index = SearchPalette(palette, colour);
  if (answer_count == answers.size()) answer_count = 0;  // more colours than a frame uses
  answers[answer_count++] = Answer{colour, index};
  return index;
}

// Every character's cell as one bit mask a row, read from the font once: text is drawn on
// every frame, and asking the font pixel by pixel was most of a frame's time.
struct GlyphMask {
  int advance = 0;
  uint64_t rows[host::common::font::kHeight] = {};
};

constexpr int kMaskBits = 64;  // far wider than any glyph

// Bits first..end-1 (end capped at the mask's width); first < end.
uint64_t ColumnMask(int first, int end) {
  uint64_t below_end = end >= kMaskBits ? ~uint64_t{0} : (uint64_t{1} << end) - 1;
  return below_end & ~((uint64_t{1} << std::min(first, kMaskBits - 1)) - 1);
}

const GlyphMask& MaskOf(char c) {
  static const std::array<GlyphMask, 256> masks = [] {
    std::array<GlyphMask, 256> table{};
    for (int code = 0; code < 256; ++code) {
      char ch = static_cast<char>(code);
      GlyphMask& mask = table[code];
      mask.advance = host::common::font::Advance(ch);
      for (int gy = 0; gy < host::common::font::kHeight; ++gy)
        for (int gx = 0; gx < mask.advance && gx < kMaskBits; ++gx)
          if (host::common::font::Pixel(ch, gx, gy)) mask.rows[gy] |= uint64_t{1} << gx;
    }
    return table;
  }();
  return masks[static_cast<unsigned char>(c)];
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
  int row_end = std::min(host::common::font::kHeight, dc->height - y);
  int left = x;
  for (int i = 0; i < length && left < dc->width; ++i) {
    const GlyphMask& glyph = MaskOf(text[i]);
    int column_first = std::max(0, -left);
    int column_end = std::min(glyph.advance, dc->width - left);
    for (int gy = row_first; gy < row_end && column_first < column_end; ++gy) {
      uint8_t* row = dc->pixels + static_cast<ptrdiff_t>(y + gy) * dc->pitch + left;
      if (opaque) {
        for (int gx = column_first; gx < column_end; ++gx)
          row[gx] = gx < kMaskBits && (glyph.rows[gy] >> gx & 1) ? ink : paper;
        continue;
      }
      // Transparent text touches only its ink: visit just the set bits within the columns.
      for (uint64_t bits = glyph.rows[gy] & ColumnMask(column_first, column_end); bits;
           bits &= bits - 1)
        row[std::countr_zero(bits)] = ink;
    }
    left += glyph.advance;
  }
  const RECT box{std::max(x, 0), std::max(y, 0), std::min(left, dc->width),
                 std::min(y + host::common::font::kHeight, dc->height)};
  if (box.left < box.right && box.top < box.bottom) {
    RECT& drawn = dc->drawn;
    drawn = drawn.left < drawn.right
                ? RECT{std::min(drawn.left, box.left), std::min(drawn.top, box.top),
                       std::max(drawn.right, box.right), std::max(drawn.bottom, box.bottom)}
                : box;
  }
  return TRUE;
}
