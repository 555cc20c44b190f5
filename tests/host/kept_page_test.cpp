// The page a host keeps, and which of its rows it must draw again.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "host/common/kept_page.h"

namespace {

using host::Rgb;
using host::common::KeptPage;

// A 4 x 3 page in rows of 6 bytes, the last two of each row padding.
struct Source {
  std::vector<uint8_t> pixels = std::vector<uint8_t>(6 * 3, 0);
  std::vector<Rgb> palette = std::vector<Rgb>(256, Rgb{0, 0, 0});
  KeptPage::Change Into(KeptPage& page) {
    return page.Update(pixels.data(), 6, 4, 3, palette.data());
  }
};

// Each changed row, with the columns it changed in: {row, first, end}.
std::vector<std::array<int, 3>> Changed(const KeptPage& page) {
  std::vector<std::array<int, 3>> rows;
  for (int y = 0; y < page.Height(); ++y) {
    const auto& span = page.Changes()[y];
    if (!span.Empty()) rows.push_back({y, span.first, span.end});
  }
  return rows;
}

using Rows = std::vector<std::array<int, 3>>;

TEST(KeptPage, NotesWhereEachRowChanged) {
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
  EXPECT_EQ(Changed(page), (Rows{{2, 3, 4}}));

  page.MarkDrawn();
  KeptPage::Change same = source.Into(page);
  EXPECT_FALSE(same.rows || same.size || same.palette);
  EXPECT_TRUE(Changed(page).empty());

  source.pixels[4] = 9;  // padding: not part of the page
  EXPECT_FALSE(source.Into(page).rows);
  source.pixels[6 * 1] = 1;
  source.pixels[6 * 1 + 2] = 1;
  EXPECT_TRUE(source.Into(page).rows);
  EXPECT_EQ(Changed(page), (Rows{{1, 0, 3}}));  // from the first change to the last
  EXPECT_EQ(page.Pixels()[4 * 1 + 2], 1);
}

TEST(KeptPage, ChangesAddUpUntilDrawn) {
  // A host that could not draw (a minimised window) must still draw every change later.
  KeptPage page;
  Source source;
  source.Into(page);
  page.MarkDrawn();
  source.pixels[1] = 3;
  source.Into(page);
  source.pixels[6 * 2] = 4;
  source.Into(page);
  source.pixels[3] = 5;
  source.Into(page);
  EXPECT_EQ(Changed(page), (Rows{{0, 1, 4}, {2, 0, 1}}));
  page.MarkDrawn();
  EXPECT_TRUE(Changed(page).empty());
}

TEST(KeptPage, FindsTheFirstAndLastChangeAnywhereInALongRow) {
  // Rows are compared a word at a time: changes at every place against word edges.
  const std::vector<Rgb> palette(256, Rgb{0, 0, 0});
  for (int width : {1, 7, 8, 9, 23, 40}) {
    for (int first = 0; first < width; ++first) {
      for (int last = first; last < width; last += 3) {
        KeptPage page;
        std::vector<uint8_t> row(width, 1);
        page.Update(row.data(), width, width, 1, palette.data());
        page.MarkDrawn();
        row[first] = row[last] = 2;
        page.Update(row.data(), width, width, 1, palette.data());
        ASSERT_EQ(Changed(page), (Rows{{0, first, last + 1}}))
            << width << ": " << first << "-" << last;
        ASSERT_TRUE(std::equal(row.begin(), row.end(), page.Pixels()));
      }
    }
  }
}

TEST(KeptPage, LooksOnlyInThePlacesGiven) {
  KeptPage page;
  Source source;
  source.Into(page);
  page.MarkDrawn();
  source.pixels[6 * 1 + 2] = 1;  // inside the place given
  source.pixels[6 * 1 + 0] = 2;  // outside it, in a row and a column it has: not looked at
  source.pixels[6 * 2 + 3] = 2;
  const std::vector<host::Rect> places{{1, 0, 4, 2}, {2, 1, 3, 2}};
  KeptPage::Change change =
      page.Update(source.pixels.data(), 6, 4, 3, source.palette.data(), &places);
  EXPECT_TRUE(change.rows);
  EXPECT_EQ(Changed(page), (Rows{{1, 2, 3}}));
  EXPECT_EQ(page.Pixels()[4 * 1 + 2], 1);
  EXPECT_EQ(page.Pixels()[4 * 1 + 0] + page.Pixels()[4 * 2 + 3], 0);
  // A new size has nothing kept to compare with: everything is looked at.
  std::vector<uint8_t> wide(8 * 2, 5);
  page.Update(wide.data(), 8, 8, 2, source.palette.data(), &places);
  EXPECT_EQ(Changed(page), (Rows{{0, 0, 8}, {1, 0, 8}}));
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
  EXPECT_EQ(Changed(page), (Rows{{0, 0, 8}, {1, 0, 8}}));
  EXPECT_EQ(page.Pixels()[8 * 2 - 1], 5);
}

}  // namespace
