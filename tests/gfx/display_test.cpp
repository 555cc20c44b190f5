#include <cstring>
#include <vector>

#include "gfx_support.h"

TEST_F(DisplayTest, StartSetsTheModeButNotTheClipRectangle) {
  EXPECT_EQ(screen_width, 800);
  EXPECT_EQ(screen_height, 600);
  EXPECT_EQ(screen_bpp, 8);
  EXPECT_EQ(clip_min_x, 0);
  EXPECT_EQ(clip_max_x, 639);
  EXPECT_EQ(clip_min_y, 0);
  EXPECT_EQ(clip_max_y, 479);
  ASSERT_NE(back_buffer, nullptr);
  EXPECT_NE(back_buffer, primary_surface);
}

TEST(DisplayStart, RefusedModeKeepsThePreviousSize) {
  main_window = reinterpret_cast<HWND>(1);
  screen_width = 640;
  screen_height = 480;
  platform::FailCall("IDirectDraw::SetDisplayMode");
  EXPECT_EQ(StartDisplay(800, 600, 8), 0);
  EXPECT_EQ(screen_width, 640);
  EXPECT_EQ(screen_height, 480);
  EXPECT_EQ(screen_bpp, 8);
  EXPECT_EQ(primary_surface, nullptr);
  EXPECT_NE(draw_device, nullptr);  // kept until StopDisplay
  EXPECT_EQ(StopDisplay(), 1);
  EXPECT_EQ(draw_device, nullptr);
  platform::ResetFaults();
}

TEST_F(DisplayTest, DefaultPaletteIsFourRampsOnTheDevice) {
  struct {
    int index, red, green, blue;
  } samples[] = {{0, 0, 0, 0},       {63, 252, 0, 0},  {64, 0, 0, 0},
                 {127, 0, 252, 0},   {130, 0, 0, 8},   {191, 0, 0, 252},
                 {192, 0, 0, 0},     {255, 252, 252, 252}};
  for (const auto& s : samples) {
    const PALETTEENTRY& e = palette_entries[s.index];
    EXPECT_EQ(e.peRed, s.red) << s.index;
    EXPECT_EQ(e.peGreen, s.green) << s.index;
    EXPECT_EQ(e.peBlue, s.blue) << s.index;
  }
  PALETTEENTRY device[256];
  ASSERT_EQ(screen_palette->GetEntries(0, 0, 256, device), DD_OK);
  EXPECT_EQ(std::memcmp(device, palette_entries, sizeof(device)), 0);
  for (const PALETTEENTRY& e : palette_entries) EXPECT_EQ(e.peFlags, PC_NOCOLLAPSE);
}

TEST_F(DisplayTest, PagesLockOnceAndOnlyUnlockWhenLocked) {
  EXPECT_EQ(UnlockBackBuffer(), 0);
  // A second real lock would be the one that fails here.
  platform::FailCall("IDirectDrawSurface::Lock", 1, 1);
  UCHAR* first = LockBackBuffer();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(LockBackBuffer(), first);
  EXPECT_GE(back_pitch, 800);
  EXPECT_EQ(UnlockBackBuffer(), 1);
  EXPECT_EQ(back_pitch, 0);
  EXPECT_EQ(UnlockBackBuffer(), 0);

  platform::FailCall("IDirectDrawSurface::Lock");
  EXPECT_EQ(LockPrimary(), nullptr);
  EXPECT_EQ(primary_pixels, nullptr);
  EXPECT_EQ(UnlockPrimary(), 0);
}

TEST_F(DisplayTest, FlipWaitsForUnlockedPages) {
  FillSurface(back_buffer, 9);
  ASSERT_NE(LockBackBuffer(), nullptr);
  EXPECT_EQ(FlipPages(), 0);
  EXPECT_EQ(PixelAt(primary_surface, 0, 0), 0);
  UnlockBackBuffer();
  ASSERT_NE(LockPrimary(), nullptr);
  EXPECT_EQ(FlipPages(), 0);
  UnlockPrimary();
  EXPECT_EQ(FlipPages(), 1);
  EXPECT_EQ(PixelAt(primary_surface, 799, 599), 9);
}

TEST_F(DisplayTest, FlipRetriesOnlyWhileStillDrawing) {
  platform::FailCall("IDirectDrawSurface::Flip.StillDrawing", 3);
  EXPECT_EQ(FlipPages(), 1);
  platform::FailCall("IDirectDrawSurface::Flip", 1000);
  EXPECT_EQ(FlipPages(), 0);
}

TEST_F(DisplayTest, ClipperRegionIsBoundedByItsRectanglesAndCutsFills) {
  RECT rects[] = {{10, 50, 100, 400}, {40, 20, 300, 60}};
  screen_clipper = AttachClipper(back_buffer, 2, rects);
  ASSERT_NE(screen_clipper, nullptr);
  DWORD size = 0;
  screen_clipper->GetClipList(nullptr, nullptr, &size);
  std::vector<char> block(size);
  RGNDATA* region = reinterpret_cast<RGNDATA*>(block.data());
  ASSERT_EQ(screen_clipper->GetClipList(nullptr, region, &size), DD_OK);
  ASSERT_EQ(region->rdh.nCount, 2u);
  EXPECT_EQ(std::memcmp(region->Buffer, rects, sizeof(rects)), 0);
  EXPECT_EQ(region->rdh.rcBound.left, 10);
  EXPECT_EQ(region->rdh.rcBound.top, 20);
  EXPECT_EQ(region->rdh.rcBound.right, 300);
  EXPECT_EQ(region->rdh.rcBound.bottom, 400);

  // The game's one-rectangle clipper lets a fill hang over the screen's edge.
  RECT screen{0, 0, 800, 600};
  LPDIRECTDRAWCLIPPER game_clipper = AttachClipper(back_buffer, 1, &screen);
  ASSERT_NE(game_clipper, nullptr);
  game_clipper->Release();
  EXPECT_EQ(FillRectangle(790, 590, 900, 700, 3, back_buffer), 1);
  EXPECT_EQ(PixelAt(back_buffer, 799, 599), 3);
  EXPECT_EQ(PixelAt(back_buffer, 789, 599), 0);

  platform::FailCall("IDirectDrawClipper::SetClipList");
  EXPECT_EQ(AttachClipper(back_buffer, 1, &screen), nullptr);
}
