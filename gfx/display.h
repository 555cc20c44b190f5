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

int StartDisplay(int width, int height, int bpp);
int StopDisplay();
LPDIRECTDRAWCLIPPER AttachClipper(LPDIRECTDRAWSURFACE surface, int count, const RECT* rects);
LPDIRECTDRAWSURFACE CreateOffscreenSurface(int width, int height, DWORD memory_caps);
// An off-screen plain surface whose source colour key is the given palette index.
LPDIRECTDRAWSURFACE CreateKeyedSurface(int width, int height, DWORD memory_caps, int colour_key);
int FlipPages();
int WaitVerticalBlank();
int FillSurface(LPDIRECTDRAWSURFACE surface, int colour);
int FillRectangle(int left, int top, int right, int bottom, int colour,
                  LPDIRECTDRAWSURFACE surface);
int PlotPixel(int x, int y, int colour, UCHAR* pixels, int pitch);
UCHAR* LockSurface(LPDIRECTDRAWSURFACE surface, int* pitch_out);
int UnlockSurface(LPDIRECTDRAWSURFACE surface, UCHAR* pixels);
UCHAR* LockPrimary();
int UnlockPrimary();
UCHAR* LockBackBuffer();
int UnlockBackBuffer();
