#include <cstring>
#include <vector>

#include "gfx_support.h"

TEST_F(DisplayTest, StartSetsModeAndDefaultPaletteButNotTheClipRectangle) {
  EXPECT_EQ(screen_width, 800);
  EXPECT_EQ(screen_height, 600);
  EXPECT_EQ(clip_max_x, 639);
  EXPECT_EQ(clip_max_y, 479);
  const PALETTEENTRY ramps[] = {{252, 0, 0, 4}, {0, 0, 0, 4}, {0, 252, 0, 4}, {252, 252, 252, 4}};
  int indices[] = {63, 64, 127, 255};
  for (int i = 0; i < 4; i++)
    EXPECT_EQ(std::memcmp(&palette_entries[indices[i]], &ramps[i], 4), 0) << indices[i];
  PALETTEENTRY device[256];
  ASSERT_EQ(screen_palette->GetEntries(0, 0, 256, device), DD_OK);
  EXPECT_EQ(std::memcmp(device, palette_entries, sizeof(device)), 0);
}

TEST(DisplayStart, RefusedModeKeepsThePreviousSize) {
  main_window = reinterpret_cast<HWND>(1);
  screen_width = 640;
  screen_height = 480;
  platform::FailCall("IDirectDraw::SetDisplayMode");
  EXPECT_EQ(StartDisplay(800, 600, 8), 0);
  EXPECT_EQ(screen_width, 640);
  EXPECT_EQ(screen_height, 480);
  EXPECT_NE(draw_device, nullptr);  // kept for StopDisplay to release
  StopDisplay();
  EXPECT_EQ(draw_device, nullptr);
}

TEST_F(DisplayTest, PagesLockOnceAndFlipOnlyWhenUnlocked) {
  platform::FailCall("IDirectDrawSurface::Lock", 1, 1);  // a second real lock would fail
  UCHAR* first = LockBackBuffer();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(LockBackBuffer(), first);
  platform::ResetFaults();
  std::memset(first, 9, 800);
  EXPECT_EQ(FlipPages(), 0);
  EXPECT_EQ(UnlockBackBuffer(), 1);
  EXPECT_EQ(UnlockBackBuffer(), 0);
  EXPECT_EQ(PixelAt(primary_surface, 0, 0), 0);
  EXPECT_EQ(FlipPages(), 1);
  EXPECT_EQ(PixelAt(primary_surface, 799, 0), 9);

  platform::FailCall("IDirectDrawSurface::Flip.StillDrawing", 3);
  EXPECT_EQ(FlipPages(), 1);
  platform::FailCall("IDirectDrawSurface::Flip", 1000);  // lost for good: no endless retry
  EXPECT_EQ(FlipPages(), 0);
}

TEST_F(DisplayTest, ClipperCarriesItsRectanglesAndCutsFills) {
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

  RECT screen{0, 0, 800, 600};
  AttachClipper(back_buffer, 1, &screen)->Release();  // the surface keeps it
  EXPECT_EQ(FillRectangle(790, 590, 900, 700, 3, back_buffer), 1);
  EXPECT_EQ(PixelAt(back_buffer, 799, 599), 3);
  EXPECT_EQ(PixelAt(back_buffer, 789, 599), 0);
}
