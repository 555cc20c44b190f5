#include <algorithm>
#include <cstdlib>
#include <vector>

#include "gfx/bob.h"
#include "gfx/text.h"
#include "gfx_support.h"

namespace {

// A 33 x 33 8-bit sheet holding one 32 x 32 cell (at 1, 1) of index 7 with one pixel of
// the colour key at cell pixel (5, 5).
void MakeCellSheet(BitmapFile* sheet) {
  *sheet = BitmapFile{};
  sheet->info_header.biWidth = 33;
  sheet->info_header.biHeight = 33;
  sheet->info_header.biBitCount = 8;
  sheet->pixels = static_cast<UCHAR*>(std::malloc(33 * 33));
  for (int i = 0; i < 33 * 33; i++) sheet->pixels[i] = 7;
  sheet->pixels[6 * 33 + 6] = BOB_COLOUR_KEY;
}

class BobTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    MakeCellSheet(&sheet);
    ASSERT_EQ(CreateBob(&bob, 100, 50, 32, 32, 1, BOB_VISIBLE | BOB_ONE_FRAME,
                        DDSCAPS_SYSTEMMEMORY),
              1);
    ASSERT_EQ(LoadBobFrame(&bob, &sheet, 0, 0, 0, LOAD_BY_CELL), 1);
    FillSurface(back_buffer, 1);
  }
  void TearDown() override {
    DestroyBob(&bob);
    UnloadBitmapFile(&sheet);
    DisplayTest::TearDown();
  }
  // The box of back-buffer pixels that differ from the fill, or an empty one.
  RECT Drawn() {
    RECT box{800, 600, -1, -1};
    int pitch = 0;
    UCHAR* pixels = LockSurface(back_buffer, &pitch);
    for (int y = 0; y < 600; y++) {
      for (int x = 0; x < 800; x++) {
        if (pixels[y * pitch + x] == 1) continue;
        box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                   std::max<LONG>(box.right, x), std::max<LONG>(box.bottom, y)};
      }
    }
    UnlockSurface(back_buffer, pixels);
    return box;
  }
  BitmapFile sheet;
  BOB bob{};
};

void ExpectBox(const RECT& box, LONG left, LONG top, LONG right, LONG bottom) {
  EXPECT_EQ(box.left, left);
  EXPECT_EQ(box.top, top);
  EXPECT_EQ(box.right, right);
  EXPECT_EQ(box.bottom, bottom);
}

}  // namespace

TEST_F(BobTest, FrameSurfacesArePaddedToEightPixels) {
  EXPECT_EQ(bob.row_pad, 0);
  std::string log = TempPath("bob.log");
  ASSERT_EQ(OpenLog(log.c_str()), 1);
  BOB wide{};
  ASSERT_EQ(CreateBob(&wide, 0, 0, 42, 10, 2, BOB_VISIBLE, DDSCAPS_SYSTEMMEMORY), 1);
  CloseLog();
  EXPECT_EQ(wide.row_pad, 6);
  DDSURFACEDESC desc{};
  desc.dwSize = sizeof(desc);
  ASSERT_EQ(wide.frames[1]->GetSurfaceDesc(&desc), DD_OK);
  EXPECT_EQ(desc.dwWidth, 48u);
  EXPECT_EQ(wide.frames[2], nullptr);
  EXPECT_NE(ReadFile(log).find("\nCreate BOB 6\nClosing"), std::string::npos);
  DestroyBob(&wide);
}

TEST_F(BobTest, DrawsOneLessThanItsSizeAndNeverTheKey) {
  EXPECT_EQ(DrawBob(&bob, back_buffer), 1);
  ExpectBox(Drawn(), 100, 50, 130, 80);
  EXPECT_EQ(PixelAt(back_buffer, 105, 55), 1);  // the key pixel
  EXPECT_EQ(PixelAt(back_buffer, 106, 55), 7);

  FillSurface(back_buffer, 1);
  EXPECT_EQ(DrawBobScaled(&bob, 25, 25, back_buffer), 1);
  ExpectBox(Drawn(), 100, 50, 123, 73);

  FillSurface(back_buffer, 1);
  HideBob(&bob);
  EXPECT_EQ(DrawBob(&bob, back_buffer), 1);
  ExpectBox(Drawn(), 800, 600, -1, -1);
}

TEST_F(BobTest, TheClipperCutsSpritesAtTheScreenEdges) {
  RECT screen{0, 0, 800, 600};
  screen_clipper = AttachClipper(back_buffer, 1, &screen);
  ASSERT_NE(screen_clipper, nullptr);
  SetBobPosition(&bob, 790, 590);
  EXPECT_EQ(DrawBob(&bob, back_buffer), 1);
  ExpectBox(Drawn(), 790, 590, 799, 599);
  FillSurface(back_buffer, 1);
  SetBobPosition(&bob, -10, -20);
  EXPECT_EQ(DrawBob(&bob, back_buffer), 1);
  ExpectBox(Drawn(), 0, 0, 20, 10);
}

TEST_F(BobTest, FramesOutsideTheSheetStayBlank) {
  BOB other{};
  ASSERT_EQ(CreateBob(&other, 0, 0, 32, 32, 2, BOB_VISIBLE, DDSCAPS_SYSTEMMEMORY), 1);
  EXPECT_EQ(LoadBobFrame(&other, &sheet, 0, 1, 0, LOAD_BY_CELL), 0);
  EXPECT_EQ(LoadBobFrame(&other, &sheet, 1, 2, 0, LOAD_BY_PIXEL), 0);
  EXPECT_EQ(LoadBobFrame(&other, &sheet, 2, 0, 0, LOAD_BY_CELL), 0);  // no such frame
  EXPECT_FALSE(other.flags & BOB_FRAME_LOADED);
  int pitch = 0;
  UCHAR* pixels = LockSurface(other.frames[0], &pitch);
  for (int y = 0; y < 32; y++)
    for (int x = 0; x < 32; x++) ASSERT_EQ(pixels[y * pitch + x], 0);
  UnlockSurface(other.frames[0], pixels);
  DestroyBob(&other);
}

TEST_F(BobTest, ACopySharesFramesUntilDiscarded) {
  BOB copy{};
  ASSERT_EQ(CopyBob(&bob, &copy), 1);
  EXPECT_TRUE(copy.flags & BOB_COPY);
  EXPECT_EQ(copy.frames[0], bob.frames[0]);
  EXPECT_EQ(DiscardBob(&copy), 1);
  EXPECT_EQ(copy.frames[0], nullptr);
  EXPECT_EQ(DrawBob(&bob, back_buffer), 1);
  ExpectBox(Drawn(), 100, 50, 130, 80);
}

TEST(BobAnimation, CyclesStepEveryPeriodAndWrap) {
  BOB bob{};
  ASSERT_EQ(CreateBob(&bob, 0, 0, 8, 8, 0, BOB_CYCLE_FRAMES, 0), 1);
  bob.frame_count = 14;
  std::vector<int> frames;
  for (int i = 0; i < 14; i++) frames.push_back((AnimateBob(&bob), bob.frame));
  EXPECT_EQ(frames, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 0}));
  SetBobAnimPeriod(&bob, 3);
  frames.clear();
  for (int i = 0; i < 7; i++) frames.push_back((AnimateBob(&bob), bob.frame));
  EXPECT_EQ(frames, (std::vector<int>{0, 0, 1, 1, 1, 2, 2}));
  bob.flags |= BOB_ONE_FRAME;
  AnimateBob(&bob);
  EXPECT_EQ(bob.frame, 0);
}

TEST(BobAnimation, ListsStartOnTheirSecondEntryAndMayPlayOnce) {
  BOB bob{};
  ASSERT_EQ(CreateBob(&bob, 0, 0, 8, 8, 0, BOB_PLAY_LIST, 0), 1);
  const int list[] = {3, 4, 5};
  ASSERT_EQ(LoadBobAnimation(&bob, 2, 3, list), 1);
  SetBobAnimation(&bob, 2);
  SetBobAnimPeriod(&bob, 1);
  std::vector<int> frames;
  for (int i = 0; i < 6; i++) frames.push_back((AnimateBob(&bob), bob.frame));
  EXPECT_EQ(frames, (std::vector<int>{4, 5, 3, 4, 5, 3}));

  bob.flags |= BOB_PLAY_ONCE;
  SetBobAnimation(&bob, 2);
  frames.clear();
  std::vector<int> done;
  for (int i = 0; i < 5; i++) {
    AnimateBob(&bob);
    frames.push_back(bob.frame);
    done.push_back(bob.anim_done);
  }
  EXPECT_EQ(frames, (std::vector<int>{4, 5, 5, 5, 5}));
  EXPECT_EQ(done, (std::vector<int>{0, 0, 1, 1, 1}));
  DestroyBob(&bob);
}

TEST(BobMotion, WrapsAndBouncesOnThe640By480ClipRectangle) {
  BOB bob{};
  ASSERT_EQ(CreateBob(&bob, 636, 476, 32, 20, 0, BOB_WRAP, 0), 1);
  SetBobVelocity(&bob, 4, 4);
  MoveBob(&bob);
  EXPECT_EQ(bob.x, -32);
  EXPECT_EQ(bob.y, -20);
  SetBobPosition(&bob, -29, -17);
  SetBobVelocity(&bob, -4, -4);
  MoveBob(&bob);
  EXPECT_EQ(bob.x, 639);
  EXPECT_EQ(bob.y, 479);

  bob.flags = BOB_BOUNCE;
  SetBobPosition(&bob, 604, 100);
  SetBobVelocity(&bob, 4, 4);
  MoveBob(&bob);
  EXPECT_EQ(bob.x, 608);
  EXPECT_EQ(bob.vel_x, -4);
  EXPECT_EQ(bob.vel_y, 4);
  SetBobPosition(&bob, 2, 2);
  MoveBob(&bob);  // x -2: turns again; y 6 stays
  EXPECT_EQ(bob.vel_x, 4);
  EXPECT_EQ(bob.vel_y, 4);
}

TEST(BobMotion, OverlapUsesThreeQuartersOfTheSize) {
  BOB a{}, b{};
  a.width = a.height = b.width = b.height = 32;
  b.x = 23;
  EXPECT_EQ(BobsOverlap(&a, &b), 1);
  b.x = 24;
  EXPECT_EQ(BobsOverlap(&a, &b), 0);
  EXPECT_EQ(BobsOverlap(&b, &a), 0);
  b.x = 0;
  b.y = -23;
  EXPECT_EQ(BobsOverlap(&a, &b), 1);
  b.y = -24;
  EXPECT_EQ(BobsOverlap(&a, &b), 0);
  // The tested boxes hang from the top-left corners: a narrow sprite on the left of a
  // wide one must come closer than on its right.
  b.width = 8;
  b.y = 0;
  b.x = -5;
  EXPECT_EQ(BobsOverlap(&a, &b), 1);
  b.x = -6;
  EXPECT_EQ(BobsOverlap(&a, &b), 0);
  b.x = 23;
  EXPECT_EQ(BobsOverlap(&a, &b), 1);
  EXPECT_EQ(BobsOverlap(&a, nullptr), 0);
}
