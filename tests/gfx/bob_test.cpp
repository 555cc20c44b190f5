#include <algorithm>
#include <cstdlib>
#include <vector>

#include "gfx/bob.h"
#include "gfx/text.h"
#include "gfx_support.h"

namespace {

// One visible 32 x 32 sprite at (100, 50) cut from a sheet of index 7 holding one cell at
// (1, 1) with a key pixel at cell pixel (5, 5); the back buffer filled with 1.
class BobTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    sheet.info_header.biWidth = sheet.info_header.biHeight = 33;
    sheet.info_header.biBitCount = 8;
    sheet.pixels = static_cast<UCHAR*>(std::malloc(33 * 33));
    std::fill_n(sheet.pixels, 33 * 33, 7);
    sheet.pixels[6 * 33 + 6] = BOB_COLOUR_KEY;
    ASSERT_EQ(CreateBob(&bob, 100, 50, 32, 32, 1, BOB_VISIBLE, DDSCAPS_SYSTEMMEMORY), 1);
    ASSERT_EQ(LoadBobFrame(&bob, &sheet, 0, 0, 0, LOAD_BY_CELL), 1);
    FillSurface(back_buffer, 1);
  }
  void TearDown() override {
    DestroyBob(&bob);
    UnloadBitmapFile(&sheet);
    DisplayTest::TearDown();
  }
  // Left, top, right, bottom (inclusive) of the back-buffer pixels that are not 1.
  std::vector<int> Drawn() {
    std::vector<int> box{800, 600, -1, -1};
    for (int y = 0; y < 600; y++)
      for (int x = 0; x < 800; x++)
        if (PixelAt(back_buffer, x, y) != 1)
          box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x),
                 std::max(box[3], y)};
    FillSurface(back_buffer, 1);
    return box;
  }
  BitmapFile sheet{};
  BOB bob{};
};

using Box = std::vector<int>;

// The frame (or anim_done) after each of `calls` AnimateBob calls.
std::vector<int> Animate(BOB* bob, int calls, bool done = false) {
  std::vector<int> seen;
  for (int i = 0; i < calls; i++) {
    AnimateBob(bob);
    seen.push_back(done ? bob->anim_done : bob->frame);
  }
  return seen;
}

}  // namespace

TEST_F(BobTest, DrawsOneLessThanItsSizeNeverTheKeyAndClipped) {
  EXPECT_EQ(DrawBob(&bob, back_buffer), 1);
  EXPECT_EQ(PixelAt(back_buffer, 105, 55), 1);
  EXPECT_EQ(PixelAt(back_buffer, 106, 55), 7);
  EXPECT_EQ(Drawn(), (Box{100, 50, 130, 80}));
  EXPECT_EQ(DrawBobScaled(&bob, 25, 25, back_buffer), 1);
  EXPECT_EQ(Drawn(), (Box{100, 50, 123, 73}));
  SetBobPosition(&bob, 790, 590);
  EXPECT_EQ(DrawBob(&bob, back_buffer), 0);  // no clipper yet: refused
  RECT screen{0, 0, 800, 600};
  screen_clipper = AttachClipper(back_buffer, 1, &screen);
  EXPECT_EQ(DrawBob(&bob, back_buffer), 1);
  EXPECT_EQ(Drawn(), (Box{790, 590, 799, 599}));
  SetBobPosition(&bob, -10, -20);
  EXPECT_EQ(DrawBob(&bob, back_buffer), 1);
  EXPECT_EQ(Drawn(), (Box{0, 0, 20, 10}));
  BOB copy{};
  CopyBob(&bob, &copy);
  EXPECT_EQ(DiscardBob(&copy), 1);  // a copy gives back nothing it shares
  HideBob(&bob);
  EXPECT_EQ(DrawBob(&bob, back_buffer), 1);
  EXPECT_EQ(Drawn(), (Box{800, 600, -1, -1}));
  ShowBob(&bob);
  EXPECT_EQ(DrawBob(&bob, back_buffer), 1);
  EXPECT_EQ(Drawn(), (Box{0, 0, 20, 10}));
}

TEST_F(BobTest, FramesArePaddedToEightAndStayBlankOutsideTheSheet) {
  std::string log = TempPath("bob.log");
  ASSERT_EQ(OpenLog(log.c_str()), 1);
  BOB wide{};
  ASSERT_EQ(CreateBob(&wide, 0, 0, 42, 32, 2, BOB_VISIBLE, DDSCAPS_SYSTEMMEMORY), 1);
  CloseLog();
  EXPECT_NE(ReadFile(log).find("\nCreate BOB 6\nClosing"), std::string::npos);
  DDSURFACEDESC desc{};
  desc.dwSize = sizeof(desc);
  ASSERT_EQ(wide.frames[1]->GetSurfaceDesc(&desc), DD_OK);
  EXPECT_EQ(desc.dwWidth, 48u);
  EXPECT_EQ(LoadBobFrame(&wide, &sheet, 0, 0, 0, LOAD_BY_CELL), 0);  // 42 wide in 33
  EXPECT_EQ(LoadBobFrame(&wide, &sheet, 2, 0, 0, LOAD_BY_CELL), 0);  // no such frame
  EXPECT_FALSE(wide.flags & BOB_FRAME_LOADED);
  EXPECT_EQ(PixelAt(wide.frames[0], 1, 1), 0);
  DestroyBob(&wide);
}

TEST(BobAnimation, CyclesAndListsAdvanceBeforeTheyRead) {
  BOB bob{};
  ASSERT_EQ(CreateBob(&bob, 0, 0, 8, 8, 0, BOB_CYCLE_FRAMES, 0), 1);
  bob.frame_count = 14;
  EXPECT_EQ(Animate(&bob, 14), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 0}));
  SetBobAnimPeriod(&bob, 3);
  EXPECT_EQ(Animate(&bob, 7), (std::vector<int>{0, 0, 1, 1, 1, 2, 2}));

  const int list[] = {3, 4, 5};
  ASSERT_EQ(LoadBobAnimation(&bob, 2, 3, list), 1);
  bob.flags = BOB_PLAY_LIST;
  SetBobAnimation(&bob, 2);
  SetBobAnimPeriod(&bob, 1);
  EXPECT_EQ(Animate(&bob, 6), (std::vector<int>{4, 5, 3, 4, 5, 3}));
  bob.flags |= BOB_PLAY_ONCE;
  SetBobAnimation(&bob, 2);
  EXPECT_EQ(Animate(&bob, 4), (std::vector<int>{4, 5, 5, 5}));
  SetBobAnimation(&bob, 2);
  bob.anim_done = 0;
  EXPECT_EQ(Animate(&bob, 3, true), (std::vector<int>{0, 0, 1}));
  DestroyBob(&bob);
}

TEST(BobMotion, WrapsAndBouncesOnThe640By480ClipRectangle) {
  BOB bob{};
  bob.width = 32;
  bob.height = 20;
  bob.flags = BOB_WRAP | BOB_BOUNCE;
  auto move = [&](int x, int y, int vx, int vy) {
    SetBobPosition(&bob, x, y);
    SetBobVelocity(&bob, vx, vy);
    MoveBob(&bob);
    return std::vector<int>{bob.x, bob.y, bob.vel_x, bob.vel_y};
  };
  EXPECT_EQ(move(636, 476, 4, 4), (std::vector<int>{-32, -20, 4, 4}));
  EXPECT_EQ(move(-29, -17, -4, -4), (std::vector<int>{639, 479, -4, -4}));
  bob.flags = BOB_BOUNCE;  // turns the velocity only
  EXPECT_EQ(move(604, 100, 4, 4), (std::vector<int>{608, 104, -4, 4}));
  EXPECT_EQ(move(2, 456, -4, 4), (std::vector<int>{-2, 460, 4, -4}));
}

TEST(BobMotion, OverlapTestsThreeQuartersFromTheTopLeft) {
  BOB a{}, b{};
  a.width = a.height = b.width = b.height = 32;
  auto overlap = [&](int x, int y) { return (b.x = x, b.y = y, BobsOverlap(&a, &b)); };
  EXPECT_EQ(overlap(23, 0), 1);
  EXPECT_EQ(overlap(24, 0), 0);
  EXPECT_EQ(overlap(0, -23), 1);
  EXPECT_EQ(overlap(0, -24), 0);
  b.width = 8;  // a narrow sprite must come closer on the left than on the right
  EXPECT_EQ(overlap(-5, 0), 1);
  EXPECT_EQ(overlap(-6, 0), 0);
  EXPECT_EQ(overlap(23, 0), 1);
  EXPECT_EQ(BobsOverlap(&a, nullptr), 0);
}
