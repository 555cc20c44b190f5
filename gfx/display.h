// The display: DirectDraw object, flipping primary with one back buffer, palette, clipper.
#pragma once
#include <windows.h>
#include <ddraw.h>

extern LPDIRECTDRAW draw_device;
extern LPDIRECTDRAWSURFACE primary_surface;
extern LPDIRECTDRAWSURFACE back_buffer;
extern LPDIRECTDRAWPALETTE screen_palette;
extern LPDIRECTDRAWCLIPPER screen_clipper;
extern UCHAR* primary_pixels;
extern UCHAR* back_pixels;
extern int primary_pitch;
extern int back_pitch;
extern int clip_min_x, clip_max_x, clip_min_y, clip_max_y;
extern int screen_width, screen_height, screen_bpp;
extern PALETTEENTRY palette_entries[256];
extern DDSURFACEDESC surface_desc;

// Full screen at width x height x bpp: the primary with one back buffer and the default
// palette, both pages cleared. Stopping releases all of it, the clipper too.
int StartDisplay(int width, int height, int bpp);
int StopDisplay();
// Clips blits to `surface` to the rectangles given; the clipper, or null.
LPDIRECTDRAWCLIPPER AttachClipper(LPDIRECTDRAWSURFACE surface, int count, const RECT* rects);
// An off-screen plain surface. Offered, not used by the game.
LPDIRECTDRAWSURFACE CreateOffscreenSurface(int width, int height, DWORD memory_caps);
// An off-screen plain surface whose source colour key is the given palette index.
LPDIRECTDRAWSURFACE CreateKeyedSurface(int width, int height, DWORD memory_caps, int colour_key);
// Shows the back buffer, waiting while the previous flip is still drawing; 0 on any other
// refusal.
int FlipPages();
// Waits for the start of the next vertical blank. Offered, not used by the game.
int WaitVerticalBlank();
// Fills the whole surface, or the rectangle (right and bottom exclusive), with a palette index.
int FillSurface(LPDIRECTDRAWSURFACE surface, int colour);
int FillRectangle(int left, int top, int right, int bottom, int colour,
                  LPDIRECTDRAWSURFACE surface);
// Writes one pixel into locked memory, unchecked. Offered, not used by the game.
int PlotPixel(int x, int y, int colour, UCHAR* pixels, int pitch);
// Locks a surface and returns its memory and pitch; null when it cannot be locked. Offered,
// not used by the game, like the primary's pair below.
UCHAR* LockSurface(LPDIRECTDRAWSURFACE surface, int* pitch_out);
int UnlockSurface(LPDIRECTDRAWSURFACE surface, UCHAR* pixels);
UCHAR* LockPrimary();
int UnlockPrimary();
// Locks the back buffer into back_pixels and back_pitch (once: a second lock returns the same
// memory); unlocking clears them.
UCHAR* LockBackBuffer();
int UnlockBackBuffer();
