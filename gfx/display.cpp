#include "gfx/display.h"

#include <cstdlib>
#include <cstring>

#include "shell/app_shell.h"

LPDIRECTDRAW draw_device = nullptr;
LPDIRECTDRAWSURFACE primary_surface = nullptr;
LPDIRECTDRAWSURFACE back_buffer = nullptr;
LPDIRECTDRAWPALETTE screen_palette = nullptr;
LPDIRECTDRAWCLIPPER screen_clipper = nullptr;
UCHAR* primary_pixels = nullptr;
UCHAR* back_pixels = nullptr;
int primary_pitch = 0;
int back_pitch = 0;
// The clip rectangle stays at 640 x 480 even on the 800 x 600 screen; only the
// clipped runs and MoveBob read it.
int clip_min_x = 0, clip_max_x = 639, clip_min_y = 0, clip_max_y = 479;
int screen_width = 640, screen_height = 480, screen_bpp = 8;
PALETTEENTRY palette_entries[256];
DDSURFACEDESC surface_desc;

namespace {

void ClearSurfaceDesc() {
  std::memset(&surface_desc, 0, sizeof(surface_desc));
  surface_desc.dwSize = sizeof(surface_desc);
}

// Four ramps of 64 levels: red, green, blue, grey.
void WriteDefaultPalette() {
  std::memset(palette_entries, 0, sizeof(palette_entries));
  for (int i = 0; i < 256; i++) {
    BYTE level = static_cast<BYTE>(4 * (i % 64));
    PALETTEENTRY* entry = &palette_entries[i];
    entry->peRed = (i < 64 || i >= 192) ? level : 0;
    entry->peGreen = ((i >= 64 && i < 128) || i >= 192) ? level : 0;
    entry->peBlue = (i >= 128) ? level : 0;
    entry->peFlags = PC_NOCOLLAPSE;
  }
}

int FillArea(LPDIRECTDRAWSURFACE surface, RECT* area, int colour) {
  if (!surface) return 1;
  DDBLTFX fx;
  std::memset(&fx, 0, sizeof(fx));
  fx.dwSize = sizeof(fx);
  fx.dwFillColor = static_cast<DWORD>(colour);
  surface->Blt(area, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
  return 1;
}

// Locks a page at most once; the pointer stays null when the lock fails.
UCHAR* LockPage(LPDIRECTDRAWSURFACE surface, UCHAR** pixels, int* pitch) {
  if (*pixels) return *pixels;
  *pixels = LockSurface(surface, pitch);
  if (!*pixels) *pitch = 0;
  return *pixels;
}

int UnlockPage(LPDIRECTDRAWSURFACE surface, UCHAR** pixels, int* pitch) {
  if (!*pixels) return 0;
  surface->Unlock(*pixels);
  *pixels = nullptr;
  *pitch = 0;
  return 1;
}

template <typename Interface>
void ReleaseInterface(Interface** object) {
  if (*object) (*object)->Release();
  *object = nullptr;
}

}  // namespace

int StartDisplay(int width, int height, int bpp) {
  if (DirectDrawCreate(nullptr, &draw_device, nullptr) != DD_OK) return 0;
  if (draw_device->SetCooperativeLevel(
          main_window, DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE | DDSCL_ALLOWMODEX) !=
      DD_OK)
    return 0;
  if (draw_device->SetDisplayMode(width, height, bpp) != DD_OK) return 0;
  screen_width = width;
  screen_height = height;
  screen_bpp = bpp;

  ClearSurfaceDesc();
  surface_desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  surface_desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
  surface_desc.dwBackBufferCount = 1;
  if (draw_device->CreateSurface(&surface_desc, &primary_surface, nullptr) != DD_OK) return 0;
  DDSCAPS back_caps;
  std::memset(&back_caps, 0, sizeof(back_caps));
  back_caps.dwCaps = DDSCAPS_BACKBUFFER;
  if (primary_surface->GetAttachedSurface(&back_caps, &back_buffer) != DD_OK) return 0;

  WriteDefaultPalette();
  if (draw_device->CreatePalette(DDPCAPS_8BIT | DDPCAPS_INITIALIZE | DDPCAPS_ALLOW256,
                                 palette_entries, &screen_palette, nullptr) != DD_OK)
    return 0;
  if (primary_surface->SetPalette(screen_palette) != DD_OK) return 0;

  FillSurface(primary_surface, 0);
  FillSurface(back_buffer, 0);
  return 1;
}

int StopDisplay() {
  ReleaseInterface(&screen_clipper);
  ReleaseInterface(&screen_palette);
  ReleaseInterface(&back_buffer);
  ReleaseInterface(&primary_surface);
  ReleaseInterface(&draw_device);
  // The pages are gone with their surfaces.
  primary_pixels = back_pixels = nullptr;
  primary_pitch = back_pitch = 0;
  return 1;
}

LPDIRECTDRAWCLIPPER AttachClipper(LPDIRECTDRAWSURFACE surface, int count, const RECT* rects) {
  if (!draw_device || !surface || count < 0) return nullptr;
  LPDIRECTDRAWCLIPPER clipper = nullptr;
  if (draw_device->CreateClipper(0, &clipper, nullptr) != DD_OK) return nullptr;

  size_t rect_bytes = sizeof(RECT) * static_cast<size_t>(count);
  RGNDATA* region = static_cast<RGNDATA*>(std::malloc(sizeof(RGNDATAHEADER) + rect_bytes));
  if (!region) {
    clipper->Release();
    return nullptr;
  }
  std::memcpy(region->Buffer, rects, rect_bytes);
  region->rdh.dwSize = sizeof(RGNDATAHEADER);
  region->rdh.iType = RDH_RECTANGLES;
  region->rdh.nCount = static_cast<DWORD>(count);
  region->rdh.nRgnSize = static_cast<DWORD>(rect_bytes);
  RECT* bound = &region->rdh.rcBound;
  *bound = RECT{64000, 64000, -64000, -64000};
  for (int i = 0; i < count; i++) {
    if (rects[i].left < bound->left) bound->left = rects[i].left;
    if (rects[i].top < bound->top) bound->top = rects[i].top;
    if (rects[i].right > bound->right) bound->right = rects[i].right;
    if (rects[i].bottom > bound->bottom) bound->bottom = rects[i].bottom;
  }

  // Nobody else holds the clipper yet, so a refused one is released here.
  if (clipper->SetClipList(region, 0) != DD_OK || surface->SetClipper(clipper) != DD_OK) {
    std::free(region);
    clipper->Release();
    return nullptr;
  }
  std::free(region);
  return clipper;
}

LPDIRECTDRAWSURFACE CreateKeyedSurface(int width, int height, DWORD memory_caps, int colour_key) {
  if (!draw_device) return nullptr;
  DDSURFACEDESC desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.dwSize = sizeof(desc);
  desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
  desc.dwWidth = static_cast<DWORD>(width);
  desc.dwHeight = static_cast<DWORD>(height);
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | memory_caps;
  LPDIRECTDRAWSURFACE surface = nullptr;
  if (draw_device->CreateSurface(&desc, &surface, nullptr) != DD_OK) return nullptr;
  DDCOLORKEY key;
  key.dwColorSpaceLowValue = static_cast<DWORD>(colour_key);
  key.dwColorSpaceHighValue = static_cast<DWORD>(colour_key);
  surface->SetColorKey(DDCKEY_SRCBLT, &key);
  return surface;
}

LPDIRECTDRAWSURFACE CreateOffscreenSurface(int width, int height, DWORD memory_caps) {
  return CreateKeyedSurface(width, height, memory_caps, 0);
}

int FlipPages() {
  if (primary_pixels || back_pixels || !primary_surface) return 0;
  // Only a flip still in progress is worth waiting for; a lost surface would never flip.
  HRESULT result;
  do {
    result = primary_surface->Flip(nullptr, DDFLIP_WAIT);
  } while (result == DDERR_WASSTILLDRAWING);
  return result == DD_OK ? 1 : 0;
}

int WaitVerticalBlank() {
  if (draw_device) draw_device->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
  return 1;
}

int FillSurface(LPDIRECTDRAWSURFACE surface, int colour) {
  return FillArea(surface, nullptr, colour);
}

int FillRectangle(int left, int top, int right, int bottom, int colour,
                  LPDIRECTDRAWSURFACE surface) {
  RECT area{left, top, right, bottom};
  return FillArea(surface, &area, colour);
}

int PlotPixel(int x, int y, int colour, UCHAR* pixels, int pitch) {
  pixels[y * pitch + x] = static_cast<UCHAR>(colour);
  return 1;
}

UCHAR* LockSurface(LPDIRECTDRAWSURFACE surface, int* pitch_out) {
  if (!surface) return nullptr;
  ClearSurfaceDesc();
  if (surface->Lock(nullptr, &surface_desc, DDLOCK_WAIT, nullptr) != DD_OK) return nullptr;
  if (pitch_out) *pitch_out = surface_desc.lPitch;
  return static_cast<UCHAR*>(surface_desc.lpSurface);
}

int UnlockSurface(LPDIRECTDRAWSURFACE surface, UCHAR* pixels) {
  if (!surface) return 0;
  surface->Unlock(pixels);
  return 1;
}

UCHAR* LockPrimary() {
  return LockPage(primary_surface, &primary_pixels, &primary_pitch);
}

int UnlockPrimary() {
  return UnlockPage(primary_surface, &primary_pixels, &primary_pitch);
}

UCHAR* LockBackBuffer() {
  return LockPage(back_buffer, &back_pixels, &back_pitch);
}

int UnlockBackBuffer() {
  return UnlockPage(back_buffer, &back_pixels, &back_pitch);
}
