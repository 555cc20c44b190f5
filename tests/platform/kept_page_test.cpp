// The page a host keeps, and which of its rows it must draw again.
#include <gtest/gtest.h>

#include <vector>

#include "platform/host/kept_page.h"

namespace {

using host::KeptPage;
using host::Rgb;

// A 4 x 3 page in rows of 6 bytes, the last two of each row padding.
struct Source {
  std::vector<uint8_t> pixels = std::vector<uint8_t>(6 * 3, 0);
  std::vector<Rgb> palette = std::vector<Rgb>(256, Rgb{0, 0, 0});
  KeptPage::Change Into(KeptPage& page) {
    return page.Update(pixels.data(), 6, 4, 3, palette.data());
  }
};

std::vector<int> Flagged(const KeptPage& page) {
  std::vector<int> rows;
  for (int y = 0; y < page.Height(); ++y)
    if (page.ChangedRows()[y]) rows.push_back(y);
  return rows;
}

TEST(KeptPage, FlagsOnlyTheRowsThatChanged) {
  KeptPage page;
  EXPECT_TRUE(page.Empty());
  Source source;
  source.pixels[6 * 2 + 3] = 7;
  KeptPage::Change first = source.Into(page);
  EXPECT_TRUE(first.size);
  EXPECT_TRUE(first.rows);
  EXPECT_FALSE(first.palette);
  EXPECT_EQ(page.Width(), 4);
  EXPECT_EQ(page.Height(), 3);
  EXPECT_EQ(page.Pixels()[4 * 2 + 3], 7);  // kept without the padding
  EXPECT_EQ(Flagged(page), std::vector<int>{2});

  page.MarkDrawn();
  KeptPage::Change same = source.Into(page);
  EXPECT_FALSE(same.rows || same.size || same.palette);
  EXPECT_TRUE(Flagged(page).empty());

  source.pixels[4] = 9;  // padding: not part of the page
  EXPECT_FALSE(source.Into(page).rows);
  source.pixels[6 * 1] = 1;
  EXPECT_TRUE(source.Into(page).rows);
  EXPECT_EQ(Flagged(page), std::vector<int>{1});
}

TEST(KeptPage, FlagsStayUntilDrawn) {
  // A host that could not draw (a minimised window) must still draw the row later.
  KeptPage page;
  Source source;
  source.Into(page);
  page.MarkDrawn();
  source.pixels[0] = 3;
  source.Into(page);
  source.pixels[6 * 2] = 4;
  source.Into(page);
  EXPECT_EQ(Flagged(page), (std::vector<int>{0, 2}));
  page.MarkDrawn();
  EXPECT_TRUE(Flagged(page).empty());
}

TEST(KeptPage, ANewPaletteOrSizeIsSaid) {
  KeptPage page;
  Source source;
  source.Into(page);
  source.palette[255] = {1, 2, 3};
  KeptPage::Change palette = source.Into(page);
  EXPECT_TRUE(palette.palette);
  EXPECT_FALSE(palette.rows || palette.size);
  EXPECT_EQ(page.Palette()[255].b, 3);

  std::vector<uint8_t> wide(8 * 2, 5);
  KeptPage::Change size = page.Update(wide.data(), 8, 8, 2, source.palette.data());
  EXPECT_TRUE(size.size);
  EXPECT_EQ(page.Width(), 8);
  EXPECT_EQ(page.Height(), 2);
  EXPECT_EQ(Flagged(page), (std::vector<int>{0, 1}));
  EXPECT_EQ(page.Pixels()[8 * 2 - 1], 5);
}

}  // namespace
