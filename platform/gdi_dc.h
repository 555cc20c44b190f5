// Shared by the window, DirectDraw and GDI stand-ins: what a device context draws on.
#pragma once
#include <windows.h>

#include <cstdint>

// A surface's pixels while its DC is out; a window's DC (from BeginPaint) has none.
struct HDC__ {
  uint8_t* pixels = nullptr;
  int pitch = 0;
  int width = 0;
  int height = 0;
  COLORREF text_colour = RGB(0, 0, 0);
  COLORREF background_colour = RGB(255, 255, 255);
  int background_mode = OPAQUE;
  RECT drawn{0, 0, 0, 0};  // around everything drawn through it, for the surface to pass on
};

namespace platform {

// The palette attached to the primary surface (what the screen shows), or null.
const PALETTEENTRY* ScreenPalette();

}  // namespace platform
