#include <gtest/gtest.h>
#include <windows.h>
#include <ddraw.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/fault.h"
#include "host/headless/headless_host.h"

namespace {

host::headless::HeadlessHost& Headless() {
  return dynamic_cast<host::headless::HeadlessHost&>(host::Current());
}

class DirectDrawTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(DirectDrawCreate(nullptr, &draw, nullptr), DD_OK);
    ASSERT_EQ(draw->SetDisplayMode(800, 600, 8), DD_OK);
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    ASSERT_EQ(draw->CreateSurface(&desc, &primary, nullptr), DD_OK);
    DDSCAPS caps{DDSCAPS_BACKBUFFER};
    ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
    for (int i = 0; i < 256; ++i) entries[i] = {BYTE(i), BYTE(255 - i), BYTE(i / 2), 0};
    ASSERT_EQ(draw->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &palette, nullptr),
              DD_OK);
    ASSERT_EQ(primary->SetPalette(palette), DD_OK);
  }

  void TearDown() override {
    platform::ResetFaults();
    for (auto* s : extra) s->Release();
    palette->Release();
    back->Release();
    primary->Release();
    draw->Release();
  }

  LPDIRECTDRAWSURFACE Offscreen(int width, int height, BYTE fill) {
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    desc.dwWidth = width;
    desc.dwHeight = height;
    LPDIRECTDRAWSURFACE surface = nullptr;
    EXPECT_EQ(draw->CreateSurface(&desc, &surface, nullptr), DD_OK);
    extra.push_back(surface);
    Fill(surface, nullptr, fill);
    return surface;
  }

  static HRESULT Fill(LPDIRECTDRAWSURFACE surface, RECT* rect, BYTE colour) {
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = colour;
    return surface->Blt(rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
  }

  // Reads a pixel through a lock.
  static int At(LPDIRECTDRAWSURFACE surface, int x, int y) {
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) return -1;
    int value = static_cast<BYTE*>(desc.lpSurface)[y * desc.lPitch + x];
    surface->Unlock(desc.lpSurface);
    return value;
  }

  static void Poke(LPDIRECTDRAWSURFACE surface, int x, int y, BYTE value) {
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    static_cast<BYTE*>(desc.lpSurface)[y * desc.lPitch + x] = value;
    surface->Unlock(desc.lpSurface);
  }

  // Counts the pixels of `colour` in a rectangle.
  static int Count(LPDIRECTDRAWSURFACE surface, RECT r, BYTE colour) {
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) return -1;
    int n = 0;
    for (LONG y = r.top; y < r.bottom; ++y)
      for (LONG x = r.left; x < r.right; ++x)
        n += static_cast<BYTE*>(desc.lpSurface)[y * desc.lPitch + x] == colour;
    surface->Unlock(desc.lpSurface);
    return n;
  }

  LPDIRECTDRAWCLIPPER ClipTo(LPDIRECTDRAWSURFACE surface, RECT rect) {
    LPDIRECTDRAWCLIPPER clipper = nullptr;
    EXPECT_EQ(draw->CreateClipper(0, &clipper, nullptr), DD_OK);
    struct {
      RGNDATAHEADER header;
      RECT rect;
    } region{{sizeof(RGNDATAHEADER), RDH_RECTANGLES, 1, sizeof(RECT), rect}, rect};
    EXPECT_EQ(clipper->SetClipList(reinterpret_cast<LPRGNDATA>(&region), 0), DD_OK);
    EXPECT_EQ(surface->SetClipper(clipper), DD_OK);
    clipper->Release();  // the surface holds it now
    return clipper;
  }

  LPDIRECTDRAW draw = nullptr;
  LPDIRECTDRAWSURFACE primary = nullptr;
  LPDIRECTDRAWSURFACE back = nullptr;
  LPDIRECTDRAWPALETTE palette = nullptr;
  PALETTEENTRY entries[256];
  std::vector<LPDIRECTDRAWSURFACE> extra;
};

TEST_F(DirectDrawTest, LockDescribesAnEightBitSurfaceAndRefusesASecondLock) {
  DDSURFACEDESC desc{};
  desc.dwSize = sizeof desc;
  ASSERT_EQ(back->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  EXPECT_EQ(desc.dwWidth, 800u);
  EXPECT_EQ(desc.dwHeight, 600u);
  EXPECT_GE(desc.lPitch, 800);
  EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 8u);
  DDSURFACEDESC again{};
  again.dwSize = sizeof again;
  EXPECT_EQ(back->Lock(nullptr, &again, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
  EXPECT_EQ(back->Unlock(desc.lpSurface), DD_OK);
  EXPECT_EQ(back->Unlock(nullptr), DDERR_NOTLOCKED);

  DDSURFACEDESC wrong_size{};
  wrong_size.dwSize = 100;
  EXPECT_EQ(back->Lock(nullptr, &wrong_size, DDLOCK_WAIT, nullptr), DDERR_INVALIDPARAMS);
}

TEST_F(DirectDrawTest, ColourFillCoversTheRectangleExclusiveOfRightAndBottom) {
  ASSERT_EQ(Fill(back, nullptr, 7), DD_OK);
  EXPECT_EQ(Count(back, {0, 0, 800, 600}, 7), 800 * 600);
  RECT r{10, 20, 30, 25};
  ASSERT_EQ(Fill(back, &r, 9), DD_OK);
  EXPECT_EQ(Count(back, {0, 0, 800, 600}, 9), 20 * 5);
  EXPECT_EQ(At(back, 10, 20), 9);
  EXPECT_EQ(At(back, 29, 24), 9);
  EXPECT_EQ(At(back, 30, 24), 7);
  EXPECT_EQ(At(back, 29, 25), 7);
}

TEST_F(DirectDrawTest, RectanglesOutsideAnUnclippedSurfaceAreRefused) {
  RECT off_right{790, 0, 810, 10};
  EXPECT_EQ(Fill(back, &off_right, 1), DDERR_INVALIDRECT);
  RECT inverted{20, 0, 10, 10};
  EXPECT_EQ(Fill(back, &inverted, 1), DDERR_INVALIDRECT);
  LPDIRECTDRAWSURFACE sprite = Offscreen(8, 8, 3);
  RECT src_outside{0, 0, 9, 8};
  RECT dest{0, 0, 9, 8};
  EXPECT_EQ(back->Blt(&dest, sprite, &src_outside, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
}

TEST_F(DirectDrawTest, ColourKeyedCopySkipsKeyPixels) {
  LPDIRECTDRAWSURFACE sprite = Offscreen(4, 4, 96);
  Poke(sprite, 1, 1, 5);
  Poke(sprite, 2, 2, 97);
  DDCOLORKEY key{96, 96};
  ASSERT_EQ(sprite->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
  DDCOLORKEY read{};
  ASSERT_EQ(sprite->GetColorKey(DDCKEY_SRCBLT, &read), DD_OK);
  EXPECT_EQ(read.dwColorSpaceLowValue, 96u);

  Fill(back, nullptr, 1);
  RECT dest{100, 50, 104, 54};
  ASSERT_EQ(back->Blt(&dest, sprite, nullptr, DDBLT_WAIT | DDBLT_KEYSRC, nullptr), DD_OK);
  EXPECT_EQ(At(back, 101, 51), 5);
  EXPECT_EQ(At(back, 102, 52), 97);
  EXPECT_EQ(Count(back, {0, 0, 800, 600}, 1), 800 * 600 - 2);

  // Without the key flag every pixel is copied.
  ASSERT_EQ(back->Blt(&dest, sprite, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Count(back, dest, 96), 14);
}

TEST_F(DirectDrawTest, StretchedCopyScalesToTheDestinationRectangle) {
  LPDIRECTDRAWSURFACE frame = Offscreen(32, 32, 4);
  // Left half 4, right half 6: the border must land in the middle of the scaled copy.
  RECT right_half{16, 0, 32, 32};
  Fill(frame, &right_half, 6);
  Fill(back, nullptr, 0);
  RECT src{0, 0, 31, 31};
  RECT dest{200, 100, 224, 124};
  ASSERT_EQ(back->Blt(&dest, frame, &src, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Count(back, {0, 0, 800, 600}, 0), 800 * 600 - 24 * 24);
  EXPECT_EQ(Count(back, {200, 100, 212, 124}, 4), 12 * 24);
  EXPECT_EQ(Count(back, {213, 100, 224, 124}, 6), 11 * 24);
}

TEST_F(DirectDrawTest, ClipperCutsDestinationAndSourceInProportion) {
  ClipTo(back, {0, 0, 800, 600});
  LPDIRECTDRAWSURFACE sprite = Offscreen(32, 32, 8);
  // Mark the sprite's first column so we can see which part of it survives.
  RECT first_column{0, 0, 1, 32};
  Fill(sprite, &first_column, 9);
  Fill(back, nullptr, 0);

  RECT half_off{784, 10, 816, 42};
  ASSERT_EQ(back->Blt(&half_off, sprite, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Count(back, {784, 10, 800, 42}, 8) + Count(back, {784, 10, 800, 42}, 9), 16 * 32);
  EXPECT_EQ(Count(back, {784, 10, 785, 42}, 9), 32);

  RECT left_off{-16, 100, 16, 132};
  ASSERT_EQ(back->Blt(&left_off, sprite, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Count(back, {0, 100, 16, 132}, 8), 16 * 32);  // marked column was cut away

  // Stretched and clipped: 32 source columns onto 64, half of them off the bottom.
  RECT stretched{100, 580, 164, 644};
  ASSERT_EQ(back->Blt(&stretched, sprite, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Count(back, {100, 580, 102, 600}, 9), 2 * 20);
  EXPECT_EQ(Count(back, {102, 580, 164, 600}, 8), 62 * 20);

  // A clip list of two rectangles draws into each and nowhere else.
  LPDIRECTDRAWCLIPPER clipper = nullptr;
  ASSERT_EQ(draw->CreateClipper(0, &clipper, nullptr), DD_OK);
  struct {
    RGNDATAHEADER header;
    RECT rects[2];
  } region{{sizeof(RGNDATAHEADER), RDH_RECTANGLES, 2, 2 * sizeof(RECT), {0, 0, 20, 20}},
           {{0, 0, 10, 10}, {15, 15, 20, 20}}};
  ASSERT_EQ(clipper->SetClipList(reinterpret_cast<LPRGNDATA>(&region), 0), DD_OK);
  ASSERT_EQ(back->SetClipper(nullptr), DD_OK);
  Fill(back, nullptr, 0);
  ASSERT_EQ(back->SetClipper(clipper), DD_OK);
  clipper->Release();
  ASSERT_EQ(Fill(back, nullptr, 3), DD_OK);
  EXPECT_EQ(Count(back, {0, 0, 800, 600}, 3), 100 + 25);

  DWORD size = 0;
  ASSERT_EQ(clipper->GetClipList(nullptr, nullptr, &size), DD_OK);
  EXPECT_EQ(size, sizeof region);
  decltype(region) read{};
  DWORD small = size - 1;
  EXPECT_EQ(clipper->GetClipList(nullptr, reinterpret_cast<LPRGNDATA>(&read), &small),
            DDERR_REGIONTOOSMALL);
  ASSERT_EQ(clipper->GetClipList(nullptr, reinterpret_cast<LPRGNDATA>(&read), &size), DD_OK);
  EXPECT_EQ(read.header.nCount, 2u);
  EXPECT_EQ(read.rects[1].left, 15);
  EXPECT_EQ(read.header.rcBound.right, 20);
}

TEST_F(DirectDrawTest, BlitAndDeviceContextAreRefusedWhileLocked) {
  LPDIRECTDRAWSURFACE sprite = Offscreen(8, 8, 2);
  DDSURFACEDESC desc{};
  desc.dwSize = sizeof desc;
  ASSERT_EQ(sprite->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  EXPECT_EQ(back->Blt(nullptr, sprite, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACEBUSY);
  HDC dc = nullptr;
  EXPECT_EQ(sprite->GetDC(&dc), DDERR_SURFACEBUSY);
  sprite->Unlock(desc.lpSurface);

  ASSERT_EQ(sprite->GetDC(&dc), DD_OK);
  EXPECT_EQ(sprite->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
  EXPECT_EQ(Fill(sprite, nullptr, 1), DDERR_SURFACEBUSY);
  EXPECT_EQ(sprite->ReleaseDC(dc), DD_OK);
  EXPECT_EQ(sprite->ReleaseDC(dc), DDERR_NODC);
}

TEST_F(DirectDrawTest, FlipSwapsPagesAndIsRefusedWhileAPageIsLocked) {
  Fill(primary, nullptr, 1);
  Fill(back, nullptr, 2);
  DDSURFACEDESC desc{};
  desc.dwSize = sizeof desc;
  ASSERT_EQ(back->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  int presents = Headless().PresentCount();
  EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_SURFACEBUSY);
  EXPECT_EQ(Headless().PresentCount(), presents);
  back->Unlock(desc.lpSurface);

  ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  // The flip showed the new visible page through the palette.
  EXPECT_EQ(Headless().PresentCount(), presents + 1);
  EXPECT_EQ(Headless().PageWidth(), 800);
  EXPECT_EQ(Headless().Page()[0], 2);
  EXPECT_EQ(Headless().PagePixel(5, 5).r, 2);
  EXPECT_EQ(Headless().PagePixel(5, 5).g, 253);
  EXPECT_EQ(At(primary, 0, 0), 2);
  EXPECT_EQ(At(back, 0, 0), 1);

  EXPECT_EQ(back->Flip(nullptr, DDFLIP_WAIT), DDERR_NOTFLIPPABLE);
}

TEST_F(DirectDrawTest, PaletteEntriesAreRangeCheckedAndShowAtOnce) {
  PALETTEENTRY read[256];
  ASSERT_EQ(palette->GetEntries(0, 0, 256, read), DD_OK);
  EXPECT_EQ(read[200].peRed, 200);
  EXPECT_EQ(palette->GetEntries(0, 250, 7, read), DDERR_INVALIDPARAMS);
  EXPECT_EQ(palette->GetEntries(0, 256, 1, read), DDERR_INVALIDPARAMS);

  Fill(primary, nullptr, 10);
  int presents = Headless().PresentCount();
  PALETTEENTRY blue[2] = {{0, 0, 255, 0}, {1, 2, 3, 0}};
  ASSERT_EQ(palette->SetEntries(0, 10, 2, blue), DD_OK);
  EXPECT_EQ(Headless().PresentCount(), presents + 1);
  EXPECT_EQ(Headless().PagePixel(0, 0).b, 255);
  ASSERT_EQ(palette->GetEntries(0, 9, 3, read), DD_OK);
  EXPECT_EQ(read[0].peRed, 9);
  EXPECT_EQ(read[1].peBlue, 255);
  EXPECT_EQ(read[2].peGreen, 2);
  EXPECT_EQ(palette->SetEntries(0, 255, 2, blue), DDERR_INVALIDPARAMS);

  // A palette not on the primary changes nothing on screen.
  LPDIRECTDRAWPALETTE spare = nullptr;
  ASSERT_EQ(draw->CreatePalette(DDPCAPS_8BIT, entries, &spare, nullptr), DD_OK);
  ASSERT_EQ(spare->SetEntries(0, 10, 1, blue), DD_OK);
  EXPECT_EQ(Headless().PresentCount(), presents + 1);
  spare->Release();

  // Unlocking the primary shows what was written into it.
  DDSURFACEDESC desc{};
  desc.dwSize = sizeof desc;
  ASSERT_EQ(primary->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  static_cast<BYTE*>(desc.lpSurface)[0] = 11;
  primary->Unlock(desc.lpSurface);
  EXPECT_EQ(Headless().PresentCount(), presents + 2);
  EXPECT_EQ(Headless().Page()[0], 11);
}

TEST_F(DirectDrawTest, ObjectsAndSurfacesHonourTheirCreationRules) {
  DDSURFACEDESC desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  LPDIRECTDRAWSURFACE second = nullptr;
  EXPECT_EQ(draw->CreateSurface(&desc, &second, nullptr), DDERR_PRIMARYSURFACEALREADYEXISTS);
  EXPECT_EQ(draw->SetDisplayMode(800, 600, 16), DDERR_INVALIDMODE);

  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
  EXPECT_EQ(draw->CreateSurface(&desc, &second, nullptr), DDERR_INVALIDPARAMS);  // no size

  LPDIRECTDRAWPALETTE got = nullptr;
  ASSERT_EQ(primary->GetPalette(&got), DD_OK);
  EXPECT_EQ(got, palette);
  got->Release();
  LPDIRECTDRAWSURFACE sprite = Offscreen(4, 4, 0);
  EXPECT_EQ(sprite->GetPalette(&got), DDERR_NOPALETTEATTACHED);
  DDCOLORKEY key{};
  EXPECT_EQ(sprite->GetColorKey(DDCKEY_SRCBLT, &key), DDERR_NOCOLORKEY);
  EXPECT_EQ(back->Blt(nullptr, sprite, nullptr, DDBLT_KEYSRC, nullptr), DDERR_NOCOLORKEY);
}

TEST_F(DirectDrawTest, InjectedFaultsFailWithTheCallsUsualCode) {
  platform::FailCall("IDirectDrawSurface::Flip.StillDrawing", 2);
  EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_WASSTILLDRAWING);
  EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_WASSTILLDRAWING);
  EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);

  platform::FailCall("IDirectDrawSurface::Lock", 1, 1);
  DDSURFACEDESC desc{};
  desc.dwSize = sizeof desc;
  ASSERT_EQ(back->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  back->Unlock(desc.lpSurface);
  EXPECT_EQ(back->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACELOST);

  platform::FailCall("IDirectDraw::SetDisplayMode");
  EXPECT_EQ(draw->SetDisplayMode(800, 600, 8), DDERR_INVALIDMODE);
  platform::FailCall("DirectDrawCreate");
  LPDIRECTDRAW another = nullptr;
  EXPECT_EQ(DirectDrawCreate(nullptr, &another, nullptr), DDERR_GENERIC);
  EXPECT_EQ(another, nullptr);
}

// A program that ends with a display still up (a primary holding a palette made after it, a
// back buffer and a clipper) ends cleanly: the objects stay alive to the end rather than being
// torn down in an order their references cannot follow. The sanitizer run sees any use after
// free here.
// The headless host counts a page that changed outside the places handed with it; this one
// also keeps what each present was handed.
class PlacesHost : public host::headless::HeadlessHost {
 public:
  void Present(const uint8_t* pixels, int pitch, int width, int height, const host::Rgb* palette,
               const std::vector<host::Rect>* changed) override {
    known = changed != nullptr;
    area = 0;
    for (const host::Rect& r : known ? *changed : std::vector<host::Rect>{})
      area += (r.right - r.left) * (r.bottom - r.top);
    HeadlessHost::Present(pixels, pitch, width, height, palette, changed);
  }
  bool known = false;
  int area = 0;  // of the rectangles, overlaps counted twice
};

TEST_F(DirectDrawTest, EveryPresentHandsDownThePlacesItsPageChangedIn) {
  PlacesHost places;
  host::Host* previous = &host::Current();
  host::Install(&places);
  LPDIRECTDRAWSURFACE sprite = Offscreen(16, 16, 9);
  RECT hole{4, 4, 12, 12};
  Fill(sprite, &hole, 0);
  DDCOLORKEY key{0, 0};
  ASSERT_EQ(sprite->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
  DDSURFACEDESC desc{};
  desc.dwSize = sizeof desc;
  HDC dc = nullptr;

  // Each kind of drawing on the back page, then a flip; and the flips that only swap pages.
  const std::vector<std::pair<const char*, std::function<void()>>> steps = {
      {"first look", [] {}},
      {"fill",
       [&] {
         RECT r{10, 20, 50, 30};
         Fill(back, &r, 3);
       }},
      {"plain copy",
       [&] {
         RECT to{100, 100, 116, 116};
         back->Blt(&to, sprite, nullptr, DDBLT_WAIT, nullptr);
       }},
      {"keyed copy",
       [&] {
         RECT to{300, 200, 316, 216};
         back->Blt(&to, sprite, nullptr, DDBLT_WAIT | DDBLT_KEYSRC, nullptr);
       }},
      {"swap back", [] {}},
      {"lock of a rectangle",
       [&] {
         RECT r{700, 500, 710, 510};
         back->Lock(&r, &desc, DDLOCK_WAIT, nullptr);
         static_cast<BYTE*>(desc.lpSurface)[5 * desc.lPitch + 5] = 77;
         back->Unlock(desc.lpSurface);
       }},
      {"text",
       [&] {
         back->GetDC(&dc);
         SetBkMode(dc, TRANSPARENT);
         SetTextColor(dc, RGB(255, 0, 0));
         TextOutA(dc, 400, 300, "W8", 2);
         back->ReleaseDC(dc);
       }},
      {"swap back again", [] {}},
      {"lock of it all",
       [&] {
         back->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr);
         static_cast<BYTE*>(desc.lpSurface)[599 * desc.lPitch + 799] = 5;
         back->Unlock(desc.lpSurface);
       }},
      {"after it", [] {}},
  };
  for (const auto& [name, draw_it] : steps) {
    SCOPED_TRACE(name);
    draw_it();
    ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    if (std::string(name) == "first look") continue;  // a new host is told nothing
    EXPECT_TRUE(places.known);
    EXPECT_EQ(places.UnreportedPresents(), 0);
    // Only a page locked whole (and the one shown after it) is handed down whole.
    const bool whole = std::string(name) == "lock of it all" || std::string(name) == "after it";
    if (!whole) {
      EXPECT_LT(places.area, 800 * 600 / 4);
    }
  }

  // Drawn on the visible page, and its palette changed: shown at once, with the place.
  SCOPED_TRACE("the visible page");
  ASSERT_EQ(primary->GetDC(&dc), DD_OK);
  TextOutA(dc, 20, 500, "front", 5);
  ASSERT_EQ(primary->ReleaseDC(dc), DD_OK);
  EXPECT_TRUE(places.known);
  EXPECT_GT(places.area, 0);
  entries[7].peRed ^= 0xFF;
  ASSERT_EQ(palette->SetEntries(0, 7, 1, &entries[7]), DD_OK);
  EXPECT_TRUE(places.known);
  EXPECT_EQ(places.area, 0);  // the host finds the new palette itself
  EXPECT_EQ(places.UnreportedPresents(), 0);
  EXPECT_EQ(places.PresentCount(), static_cast<int>(steps.size()) + 2);
  host::Install(previous);
}

TEST(DirectDrawAtExit, ObjectsStillHeldAtExitEndQuietly) {
  std::fflush(nullptr);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    LPDIRECTDRAW draw = nullptr;
    LPDIRECTDRAWSURFACE primary = nullptr;
    LPDIRECTDRAWPALETTE palette = nullptr;
    LPDIRECTDRAWCLIPPER clipper = nullptr;
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    PALETTEENTRY entries[256] = {};
    bool made =
        DirectDrawCreate(nullptr, &draw, nullptr) == DD_OK &&
        draw->CreateSurface(&desc, &primary, nullptr) == DD_OK &&
        draw->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &palette, nullptr) == DD_OK &&
        primary->SetPalette(palette) == DD_OK &&
        draw->CreateClipper(0, &clipper, nullptr) == DD_OK && primary->SetClipper(clipper) == DD_OK;
    std::exit(made ? 0 : 3);  // runs the static destructors, as a program's end does
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
