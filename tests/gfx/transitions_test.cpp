#include <cstring>
#include <set>
#include <vector>

#include "gfx/palette.h"
#include "shell/random.h"
#include "gfx/transitions.h"
#include "gfx_support.h"

namespace {

// An 800 x 600 page in memory, filled with 1; counts the pixels painted 0.
struct Page {
  std::vector<UCHAR> pixels = std::vector<UCHAR>(800 * 600, 1);
  UCHAR At(int x, int y) const { return pixels[y * 800 + x]; }
  long Painted() const { return std::count(pixels.begin(), pixels.end(), 0); }
};

// The generator's rule written out again, so the engine's copy is checked against it.
int Draw(uint32_t* state) {
  *state = *state * 214013u + 2531011u;
  return int((*state >> 16) & 0x7FFF);
}

}  // namespace

TEST(Spans, AreCutToTheClipRectangleInEitherDirection) {
  Page page;
  UCHAR* p = page.pixels.data();
  FillRowSpan(-5, 3, 480, 0, p, 800);  // below the clip rectangle
  FillColumnSpan(0, 10, 640, 0, p, 800);
  EXPECT_EQ(page.Painted(), 0);
  FillRowSpan(3, -5, 0, 0x100, p, 800);  // reversed; the colour's low byte
  FillRowSpan(5, 5, 1, 0, p, 800);
  FillRowSpan(630, 900, 2, 0, p, 800);
  FillColumnSpan(490, 470, 20, 0, p, 800);
  EXPECT_EQ(page.Painted(), 4 + 1 + 10 + 10);
  EXPECT_EQ(page.At(3, 0) + page.At(5, 1) + page.At(639, 2) + page.At(20, 470) + page.At(20, 479),
            0);
}

TEST_F(DisplayTest, FadeToBlackSparesEntryZeroAndTakes80Steps) {
  PALETTEENTRY entries[256] = {
      {200, 100, 50, 4}, {255, 255, 255, 4}, {241, 100, 0, 4}, {242, 5, 4, 7}};
  InstallPalette(entries);
  DWORD start = ReadTickCount();
  RunScreenTransition(TRANSITION_FADE_BLACK, nullptr, 0);
  EXPECT_GE(ReadTickCount() - start, 80u * 12);
  const PALETTEENTRY expected[] = {{200, 100, 50, 4}, {15, 15, 15, 4}, {0, 0, 0, 4}, {2, 0, 0, 7}};
  EXPECT_EQ(std::memcmp(palette_entries, expected, sizeof(expected)), 0);
}

TEST_F(DisplayTest, TintsAndFadeToWhiteMoveEveryEntryEachStep) {
  PALETTEENTRY entries[256] = {{250, 3, 10, 4}};
  InstallPalette(entries);
  StepWatchHost watch;
  std::vector<PALETTEENTRY> seen;
  watch.on_step = [&] { seen.push_back(palette_entries[0]); };
  RunScreenTransition(TRANSITION_TINT_RED, nullptr, 0);
  ASSERT_EQ(seen.size(), 64u);
  const PALETTEENTRY first{255, 0, 6, 4}, last{255, 0, 0, 4};
  EXPECT_EQ(std::memcmp(&seen[0], &first, 4), 0);
  EXPECT_EQ(std::memcmp(&palette_entries[0], &last, 4), 0);
  Page page;
  RunScreenTransition(9, page.pixels.data(), 800);  // no such effect
  EXPECT_EQ(watch.steps, 64);
  EXPECT_EQ(page.Painted(), 0);
}

TEST_F(DisplayTest, WipesPaintOnlyInsideTheClipRectangle) {
  for (int effect : {TRANSITION_WIPE_COLUMNS, TRANSITION_WIPE_ROWS, TRANSITION_WIPE_CROSS}) {
    Page page;
    RunScreenTransition(effect, page.pixels.data(), 800);
    EXPECT_EQ(page.Painted(), 640 * 480) << effect;
    EXPECT_EQ(page.At(639, 479), 0) << effect;
  }
  // The column wipe pauses before each of its 200 steps; the last one draws 398..401.
  StepWatchHost watch;
  Page page, before_last;
  watch.on_step = [&] {
    if (watch.steps == 200) before_last = page;
  };
  RunScreenTransition(TRANSITION_WIPE_COLUMNS, page.pixels.data(), 800);
  EXPECT_EQ(watch.steps, 200);
  std::set<int> last_columns;
  for (int x = 0; x < 800; x++)
    if (before_last.At(x, 0) != page.At(x, 0)) last_columns.insert(x);
  EXPECT_EQ(last_columns, (std::set<int>{398, 399, 400, 401}));
}

TEST(Random, FollowsTheLinearCongruentialRule) {
  RandomSeed(1);
  EXPECT_EQ(RandomNext(), 41);
  EXPECT_EQ(RandomNext(), 18467);
  EXPECT_EQ(RandomNext(), 6334);
  uint32_t state = 0xDEADBEEF;
  RandomSeed(state);
  for (int i = 0; i < 1000; i++) ASSERT_EQ(RandomNext(), Draw(&state));
}

TEST(FrameClock, WaitsAcrossATickWrapMostlyAsleep) {
  StepWatchHost watch(0xFFFFFFFAu);
  DWORD mark = MarkFrameStart();
  DWORD done = WaitFrameTime(12);
  EXPECT_GE(done - mark, 12u);
  EXPECT_LE(done - mark, 14u);
  EXPECT_LT(done, 100u);  // past the wrap
  EXPECT_GE(watch.slept, 10u);
  DWORD before = MarkFrameStart();
  EXPECT_LE(WaitFrameTime(0) - before, 1u);
}
