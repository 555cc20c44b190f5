#include "gfx/transitions.h"

#include <cstring>

#include "shell/app_shell.h"
#include "gfx/display.h"
#include "gfx/palette.h"
#include "shell/random.h"

namespace {

struct Tint {
  int red, green, blue;
};
constexpr Tint TINT_WHITE{4, 4, 4};
constexpr Tint TINT_BLUE{-4, -4, 6};
constexpr Tint TINT_RED{6, -4, -4};
constexpr Tint TINT_GREEN{-4, 6, -4};

BYTE ClampColour(int value) {
  if (value < 0) return 0;
  if (value >= 255) return 255;
  return static_cast<BYTE>(value);
}

void PauseStep() {
  MarkFrameStart();
  WaitFrameTime(TRANSITION_STEP_MS);
}

// A tint or fade to white moves every entry; fade to black (no tint) has its own rule
// and spares entry 0.
void StepPalette(const Tint* tint, PALETTEENTRY* entries) {
  for (int i = 0; i < 256; i++) {
    BYTE* colours[3] = {&entries[i].peRed, &entries[i].peGreen, &entries[i].peBlue};
    if (!tint) {
      if (i == 0) continue;
      for (BYTE* colour : colours) *colour = *colour <= 4 ? 0 : static_cast<BYTE>(*colour - 3);
      continue;
    }
    *colours[0] = ClampColour(*colours[0] + tint->red);
    *colours[1] = ClampColour(*colours[1] + tint->green);
    *colours[2] = ClampColour(*colours[2] + tint->blue);
  }
}

void RunPaletteEffect(const Tint* tint, int steps) {
  PALETTEENTRY entries[256];
  for (int step = 0; step < steps; step++) {
    CopyPaletteOut(entries);
    StepPalette(tint, entries);
    InstallPalette(entries);
    PauseStep();
  }
}

// Two columns from each side: i counts from the left edge.
void WipeColumnPair(int i, int width, int height, UCHAR* pixels, int pitch) {
  FillColumnSpan(0, height - 1, width - 1 - i, 0, pixels, pitch);
  FillColumnSpan(0, height - 1, i, 0, pixels, pitch);
  FillColumnSpan(0, height - 1, width - 2 - i, 0, pixels, pitch);
  FillColumnSpan(0, height - 1, i + 1, 0, pixels, pitch);
}

void WipeRowPair(int i, int width, int height, UCHAR* pixels, int pitch) {
  FillRowSpan(0, width - 1, height - 1 - i, 0, pixels, pitch);
  FillRowSpan(0, width - 1, i, 0, pixels, pitch);
  FillRowSpan(0, width - 1, height - 2 - i, 0, pixels, pitch);
  FillRowSpan(0, width - 1, i + 1, 0, pixels, pitch);
}

void RunWipe(int effect, UCHAR* pixels, int pitch) {
  int width = screen_width, height = screen_height;
  int limit = effect == TRANSITION_WIPE_ROWS ? height / 2 : width / 2;
  for (int i = 0; i < limit; i += 2) {
    PauseStep();
    if (effect == TRANSITION_WIPE_ROWS) {
      WipeRowPair(i, width, height, pixels, pitch);
      continue;
    }
    // The cross follows the width, so its rows start over once they have met.
    if (effect == TRANSITION_WIPE_CROSS && height / 2 > 0)
      WipeRowPair(i % (height / 2), width, height, pixels, pitch);
    WipeColumnPair(i, width, height, pixels, pitch);
  }
}

void RunDissolve(UCHAR* pixels, int pitch) {
  int width = screen_width, height = screen_height;
  if (width <= 0 || height <= 0) return;
  int plots = 4 * width * height;
  for (int n = 0; n <= plots; n++) {
    int y = RandomNext() % height;
    int x = RandomNext() % width;
    PlotPixel(x, y, 0, pixels, pitch);
  }
}

}  // namespace

void FillRowSpan(int x1, int x2, int y, int colour, UCHAR* pixels, int pitch) {
  if (y < clip_min_y || y > clip_max_y) return;
  if (x2 < x1) {
    int swap = x1;
    x1 = x2;
    x2 = swap;
  }
  if (x1 > clip_max_x || x2 < clip_min_x) return;
  if (x1 < clip_min_x) x1 = clip_min_x;
  if (x2 > clip_max_x) x2 = clip_max_x;
  std::memset(pixels + y * pitch + x1, colour & 0xFF, static_cast<size_t>(x2 - x1 + 1));
}

void FillColumnSpan(int y1, int y2, int x, int colour, UCHAR* pixels, int pitch) {
  if (x < clip_min_x || x > clip_max_x) return;
  if (y1 > y2) {
    int swap = y1;
    y1 = y2;
    y2 = swap;
  }
  if (y1 > clip_max_y || y2 < clip_min_y) return;
  if (y1 < clip_min_y) y1 = clip_min_y;
  if (y2 > clip_max_y) y2 = clip_max_y;
  UCHAR* pixel = pixels + y1 * pitch + x;
  for (int y = y1; y <= y2; y++, pixel += pitch) *pixel = static_cast<UCHAR>(colour);
}

void RunScreenTransition(int effect, UCHAR* pixels, int pitch) {
  switch (effect) {
    case TRANSITION_FADE_BLACK:
      RunPaletteEffect(nullptr, 80);
      break;
    case TRANSITION_FADE_WHITE:
      RunPaletteEffect(&TINT_WHITE, 64);
      break;
    case TRANSITION_TINT_BLUE:
      RunPaletteEffect(&TINT_BLUE, 64);
      break;
    case TRANSITION_TINT_RED:
      RunPaletteEffect(&TINT_RED, 64);
      break;
    case TRANSITION_TINT_GREEN:
      RunPaletteEffect(&TINT_GREEN, 64);
      break;
    case TRANSITION_WIPE_COLUMNS:
    case TRANSITION_WIPE_ROWS:
    case TRANSITION_WIPE_CROSS:
      RunWipe(effect, pixels, pitch);
      break;
    case TRANSITION_DISSOLVE:
      RunDissolve(pixels, pitch);
      break;
    default:
      break;
  }
}
