// The status panel: the numbers' formats and the mine gauge, drawn on a real back buffer.
#include <cstring>
#include <vector>

#include "app/app.h"
#include "game/rules_support.h"
#include "shell/app_shell.h"
#include "gfx/display.h"
#include "gfx/palette.h"
#include "gfx/text.h"

namespace {

class StatusPanel : public rules::Rules {
 protected:
  void SetUp() override {
    Rules::SetUp();
    main_window = reinterpret_cast<HWND>(1);
    ASSERT_EQ(StartDisplay(800, 600, 8), 1);
    PALETTEENTRY grey[256];
    for (int i = 0; i < 256; ++i) grey[i] = {BYTE(i), BYTE(i), BYTE(i), PC_NOCOLLAPSE};
    grey[200] = {0, 255, 0, PC_NOCOLLAPSE};  // the panel's green
    InstallPalette(grey);
  }
  void TearDown() override { StopDisplay(); }

  // The back buffer filled with `colour`, then `draw` run on it; returns its pixels.
  template <typename Draw>
  std::vector<UCHAR> Page(int colour, Draw draw) {
    FillSurface(back_buffer, colour);
    draw();
    std::vector<UCHAR> page(800 * 600);
    UCHAR* pixels = LockBackBuffer();
    for (int y = 0; y < 600; ++y) std::memcpy(&page[y * 800], pixels + y * back_pitch, 800);
    UnlockBackBuffer();
    return page;
  }
};

TEST_F(StatusPanel, ANegativeScorePrintsWithItsSignAfterTheLeadingSpace) {
  score = -150;
  std::vector<UCHAR> panel = Page(7, [] { DrawStatusPanel(); });
  EXPECT_STREQ(text_buffer, " -150") << "the score is the panel's last text";
  std::vector<UCHAR> expected =
      Page(7, [] { PrintText(" -150", 740, 44, RGB(0, 255, 0), back_buffer); });
  int green = 0;
  for (int y = 44; y < 60; ++y) {
    for (int x = 740; x < 800; ++x) {
      ASSERT_EQ(panel[y * 800 + x], expected[y * 800 + x]) << x << "," << y;
      green += panel[y * 800 + x] == 200;
    }
  }
  EXPECT_GT(green, 20) << "the score is drawn in the palette's green";
}

TEST_F(StatusPanel, TheMineGaugeIsBlankedSixPixelsAMineFromTheRight) {
  for (int laid : {0, 1, 15}) {
    mines_laid = laid;
    std::vector<UCHAR> panel = Page(7, [] { DrawStatusPanel(); });
    for (int x = 50; x < 150; ++x) {
      bool blanked = x >= 145 - 6 * laid && x < 145;
      EXPECT_EQ(panel[50 * 800 + x], blanked ? 0 : 7) << laid << " mines, x " << x;
    }
    EXPECT_EQ(panel[44 * 800 + 140], 7) << "rows outside 45..54 untouched";
    EXPECT_EQ(panel[55 * 800 + 140], 7);
  }
}

}  // namespace
