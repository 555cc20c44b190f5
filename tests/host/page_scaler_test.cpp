// The page scaler: fitting, taps and the scaled pixels, without a window.
#include "host/common/page_scaler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace {

using host::common::FitPage;
using host::common::PageRect;
using host::common::PageScaler;

void ExpectRect(PageRect rect, int x, int y, int width, int height) {
  EXPECT_EQ(rect.x, x);
  EXPECT_EQ(rect.y, y);
  EXPECT_EQ(rect.width, width);
  EXPECT_EQ(rect.height, height);
}

TEST(PageFit, KeepsTheAspectAndCentres) {
  ExpectRect(FitPage(800, 600, 1024, 768), 0, 0, 1024, 768);
  ExpectRect(FitPage(800, 600, 1920, 1080), 240, 0, 1440,
             1080);  // bars left and right
  ExpectRect(FitPage(800, 600, 800, 1000), 0, 200, 800,
             600);  // bars top and bottom
  ExpectRect(FitPage(800, 600, 400, 300), 0, 0, 400, 300);
  PageRect none = FitPage(800, 600, 0, 0);  // a minimised window
  EXPECT_EQ(none.width * none.height, 0);
}

TEST(PageFit, WholePixelsOrStretchedAsThePlayerChose) {
  using host::common::Scaling;
  ExpectRect(FitPage(800, 600, 1920, 1080, Scaling::kWhole), 560, 240, 800, 600);
  ExpectRect(FitPage(800, 600, 2560, 1440, Scaling::kWhole), 480, 120, 1600, 1200);
  ExpectRect(FitPage(800, 600, 400, 300, Scaling::kWhole), 0, 0, 400, 300);  // smaller: fit
  ExpectRect(FitPage(800, 600, 1920, 1080, Scaling::kStretch), 0, 0, 1920, 1080);
}

// Colours distinct from the indices, so a missed lookup shows.
std::vector<uint32_t> Colours() {
  std::vector<uint32_t> colours(256);
  for (int i = 0; i < 256; ++i) colours[i] = 0xFF000000u | (i * 0x010203u);
  return colours;
}

TEST(PageScaler, OneToOneHonoursBothPitchesAndLeavesPaddingAlone) {
  const int w = 5, h = 3, page_pitch = 8, target_pitch_px = 7;
  std::vector<uint8_t> page(page_pitch * h, 0xEE);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) page[y * page_pitch + x] = static_cast<uint8_t>(10 * y + x);
  std::vector<uint32_t> target(target_pitch_px * h, 0xDEADBEEF);
  auto colours = Colours();
  PageScaler scaler;
  scaler.Scale(page.data(), page_pitch, w, h, colours.data(), target.data(), target_pitch_px * 4, w,
               h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x)
      EXPECT_EQ(target[y * target_pitch_px + x], colours[10 * y + x]) << x << "," << y;
    for (int x = w; x < target_pitch_px; ++x)
      EXPECT_EQ(target[y * target_pitch_px + x], 0xDEADBEEF);
  }
}

// How much of the target each page pixel gets, in 256ths of a target pixel.
std::vector<int> Shares(const std::vector<PageScaler::Tap>& taps, int page_size) {
  std::vector<int> shares(page_size);
  for (const auto& tap : taps) {
    shares[tap.first] += 256 - static_cast<int>(tap.weight);
    shares[tap.second] += static_cast<int>(tap.weight);
  }
  return shares;
}

TEST(PageScaler, EveryPagePixelComesOutTheSameSize) {
  // Whole multiples and the usual screens: 800 x 600 into 1440 x 1080 (1.8), 2000 (2.5),
  // 1600 (2), 1366 (1.7); each page pixel must get the same share, none lost or doubled.
  for (auto [page, target] : {std::pair{800, 1440}, std::pair{800, 2000}, std::pair{800, 1600},
                              std::pair{600, 1080}, std::pair{800, 1366}, std::pair{7, 7}}) {
    auto taps = PageScaler::Taps(page, target);
    ASSERT_EQ(static_cast<int>(taps.size()), target);
    std::vector<int> shares = Shares(taps, page);
    const int even = 256 * target / page;
    for (int i = 0; i < page; ++i)
      ASSERT_NEAR(shares[i], even, 2) << page << " to " << target << ", pixel " << i;
    // Sharp: at least `whole` target pixels show a page pixel alone, and a blend only ever
    // mixes two neighbours.
    const int whole = target / page;
    std::vector<int> alone(page);
    for (const auto& tap : taps) {
      if (tap.weight == 0) {
        EXPECT_EQ(tap.first, tap.second);
        ++alone[tap.first];
      } else {
        EXPECT_EQ(tap.second, tap.first + 1);
      }
    }
    for (int i = 0; i < page; ++i) EXPECT_GE(alone[i], whole - 1) << page << " to " << target;
    if (target % page == 0) {
      EXPECT_TRUE(std::all_of(alone.begin(), alone.end(), [&](int n) { return n == whole; }));
    }
  }
}

// Smaller than the page, each target pixel averages what it covers: text and thin lines keep
// their weight instead of dropping out, and a flat area stays exactly its colour.
TEST(PageScaler, SmallerThanThePageAveragesWhatEachPixelCovers) {
  std::vector<uint32_t> shares;
  auto covers = PageScaler::Covers(800, 500, &shares);
  ASSERT_EQ(covers.size(), 500u);
  for (const auto& cover : covers) {
    uint32_t sum = 0;
    for (int k = 0; k < cover.count; ++k) sum += shares[cover.shares + k];
    EXPECT_EQ(sum, 800u);
    EXPECT_LE(cover.count, 3);
  }
  EXPECT_EQ(covers[1].first, 1);  // [1.6, 3.2): pixels 1, 2, 3 by 0.4, 1 and 0.2
  EXPECT_EQ(shares[covers[1].shares], 200u);
  EXPECT_EQ(shares[covers[1].shares + 1], 500u);
  EXPECT_EQ(shares[covers[1].shares + 2], 100u);

  // A one-pixel white line on black at half size: a grey line, not gone or doubled.
  std::vector<uint8_t> page(8 * 4, 0);
  for (int x = 0; x < 8; ++x) page[8 * 1 + x] = 1;
  const std::vector<uint32_t> colours = {0x00000000, 0xC8C8C8C8};
  std::vector<uint32_t> out(4 * 2);
  PageScaler scaler;
  scaler.Scale(page.data(), 8, 8, 4, colours.data(), out.data(), 4 * 4, 4, 2);
  EXPECT_EQ(out,
            (std::vector<uint32_t>{0x64646464, 0x64646464, 0x64646464, 0x64646464, 0, 0, 0, 0}));
  std::fill(page.begin(), page.end(), 1);
  std::vector<uint32_t> flat(5 * 3);
  scaler.Scale(page.data(), 8, 8, 4, colours.data(), flat.data(), 5 * 4, 5, 3);
  EXPECT_TRUE(std::all_of(flat.begin(), flat.end(), [](uint32_t v) { return v == 0xC8C8C8C8; }));
}

TEST(PageScaler, BlendsEachChannelOfTheCoveredPixels) {
  // 2 x 2 into 3 x 3: the middle column and row straddle two page pixels half each, so the
  // centre is the mean of all four; the corners are the page's own colours.
  const std::vector<uint8_t> page = {0, 1, 2, 3};
  const std::vector<uint32_t> colours = {0xFF000000u, 0x00FF0000u, 0x0000FF00u, 0x000000FEu};
  std::vector<uint32_t> target(4 * 3, 0xDEADBEEF);  // pitch of 4 pixels
  PageScaler scaler;
  scaler.Scale(page.data(), 2, 2, 2, colours.data(), target.data(), 4 * 4, 3, 3);
  EXPECT_EQ(target[0], colours[0]);
  EXPECT_EQ(target[2], colours[1]);
  EXPECT_EQ(target[8], colours[2]);
  EXPECT_EQ(target[10], colours[3]);
  EXPECT_EQ(target[1], 0x7F7F0000u);  // top middle: 0 and 1 half each
  EXPECT_EQ(target[4], 0x7F007F00u);  // middle left: 0 and 2
  EXPECT_EQ(target[5], 0x3F3F3F3Fu);  // centre: a quarter of each
  EXPECT_EQ(target[3], 0xDEADBEEFu);  // past the rectangle: untouched
}

TEST(PageScaler, WithChangedRowsWritesOnlyTheRowsThatShowThem) {
  // 4 page rows into 7 target rows: page row 2 is seen by target rows 3 (blended with row 1),
  // 4 and 5 (blended with row 3).
  const int w = 3, ph = 4, th = 7;
  std::vector<uint8_t> page(w * ph);
  for (size_t i = 0; i < page.size(); ++i) page[i] = static_cast<uint8_t>(i);
  auto colours = Colours();
  std::vector<uint32_t> whole(w * th), part(w * th, 0xDEADBEEF);
  PageScaler scaler;
  scaler.Scale(page.data(), w, w, ph, colours.data(), whole.data(), w * 4, w, th);
  ASSERT_EQ(scaler.Written().size(), 1u);
  EXPECT_EQ(scaler.Written()[0].y, 0);
  EXPECT_EQ(scaler.Written()[0].height, th);

  const PageScaler::Span changed[ph] = {{}, {}, {0, w}, {}};
  scaler.Scale(page.data(), w, w, ph, colours.data(), part.data(), w * 4, w, th, changed);
  std::vector<int> shown;
  auto taps = PageScaler::Taps(ph, th);
  for (int y = 0; y < th; ++y) {
    if (taps[y].first == 2 || taps[y].second == 2) shown.push_back(y);
    for (int x = 0; x < w; ++x) {
      bool in_run = !shown.empty() && shown.back() == y;
      EXPECT_EQ(part[y * w + x], in_run ? whole[y * w + x] : 0xDEADBEEF) << x << "," << y;
    }
  }
  EXPECT_EQ(shown, (std::vector<int>{3, 4, 5}));
  ASSERT_EQ(scaler.Written().size(), 1u);
  EXPECT_EQ(scaler.Written()[0].y, 3);
  EXPECT_EQ(scaler.Written()[0].height, 3);
  EXPECT_EQ(scaler.Written()[0].width, w);
}

TEST(PageScaler, WithChangedColumnsWritesOnlyAroundThem) {
  // 10 x 4 page pixels into 18 x 7: page pixel (5, 2) changes. The target columns that show
  // it are those whose first page pixel is 4 (blended with 5) or 5.
  const int pw = 10, ph = 4, tw = 18, th = 7;
  std::vector<uint8_t> page(pw * ph);
  for (size_t i = 0; i < page.size(); ++i) page[i] = static_cast<uint8_t>(i);
  auto colours = Colours();
  std::vector<uint32_t> target(tw * th);
  PageScaler scaler;
  scaler.Scale(page.data(), pw, pw, ph, colours.data(), target.data(), tw * 4, tw, th);
  page[2 * pw + 5] = 200;
  const PageScaler::Span changed[ph] = {{}, {}, {5, 6}, {}};
  scaler.Scale(page.data(), pw, pw, ph, colours.data(), target.data(), tw * 4, tw, th, changed);

  std::vector<int> columns;
  auto taps = PageScaler::Taps(pw, tw);
  for (int x = 0; x < tw; ++x)
    if (taps[x].first == 4 || taps[x].first == 5) columns.push_back(x);
  ASSERT_EQ(scaler.Written().size(), 1u);
  const PageRect& area = scaler.Written()[0];
  EXPECT_EQ(area.x, columns.front());
  EXPECT_EQ(area.width, static_cast<int>(columns.size()));
  EXPECT_EQ(area.y, 3);
  EXPECT_EQ(area.height, 3);
  EXPECT_LE(area.width, 4);
}

TEST(PageScaler, ReusedScalerFollowsChangesOfEitherWidth) {
  std::vector<uint8_t> narrow = {1, 2, 3, 4};
  std::vector<uint8_t> wide = {1, 2, 3, 4, 5, 6, 7, 8};
  auto colours = Colours();
  auto scale = [&](PageScaler& scaler, const std::vector<uint8_t>& page, int width) {
    std::vector<uint32_t> target(width);
    int page_width = static_cast<int>(page.size());
    scaler.Scale(page.data(), page_width, page_width, 1, colours.data(), target.data(), width * 4,
                 width, 1);
    return target;
  };
  PageScaler reused;
  scale(reused, narrow, 8);
  for (auto [page, width] : {std::pair{&narrow, 2}, std::pair{&wide, 2}, std::pair{&wide, 8}}) {
    PageScaler fresh;
    EXPECT_EQ(scale(reused, *page, width), scale(fresh, *page, width))
        << page->size() << " to " << width;
  }
  EXPECT_EQ(scale(reused, wide, 8),
            (std::vector<uint32_t>(colours.begin() + 1, colours.begin() + 9)));
}

// The scaler as plainly as it can be written: each target pixel from its column's two page
// pixels blended across, for its row's two page rows, blended down, byte by byte.
uint32_t BlendBytes(uint32_t a, uint32_t b, uint32_t weight) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t x = a >> shift & 0xFF, y = b >> shift & 0xFF;
    out |= (x * (256 - weight) + y * weight) >> 8 << shift;
  }
  return out;
}

// Smaller: each channel the sum of page values times the area of the page pixel the target
// pixel covers, over the whole area, rounded; the areas straight from the intervals' overlaps.
std::vector<uint32_t> ReferenceShrink(const std::vector<uint8_t>& page, int pitch, int page_width,
                                      int page_height, const std::vector<uint32_t>& colours,
                                      int width, int height) {
  auto overlap = [](int64_t i, int64_t s, int64_t p, int64_t t) {
    return std::max<int64_t>(0, std::min((i + 1) * p, (s + 1) * t) - std::max(i * p, s * t));
  };
  std::vector<uint32_t> out(static_cast<size_t>(width) * height);
  const uint64_t whole = uint64_t(page_width) * uint64_t(page_height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint64_t sums[4] = {};
      // Only the page pixels inside the target pixel's interval can overlap it.
      const int r0 = int(int64_t(y) * page_height / height),
                c0 = int(int64_t(x) * page_width / width);
      const int r1 = int((int64_t(y + 1) * page_height + height - 1) / height);
      const int c1 = int((int64_t(x + 1) * page_width + width - 1) / width);
      for (int r = r0; r < r1; ++r)
        for (int c = c0; c < c1; ++c) {
          const uint64_t area =
              overlap(y, r, page_height, height) * overlap(x, c, page_width, width);
          if (!area) continue;
          const uint32_t colour = colours[page[r * pitch + c]];
          for (int k = 0; k < 4; ++k) sums[k] += area * (colour >> (8 * k) & 0xFF);
        }
      uint32_t pixel = 0;
      for (int k = 0; k < 4; ++k) pixel |= uint32_t((sums[k] + whole / 2) / whole) << (8 * k);
      out[y * width + x] = pixel;
    }
  return out;
}

// The taps from the rule itself: the page scaled up `whole` times with sharp pixels, then
// each target pixel the average of the stretch of that line it covers, the next page pixel's
// share rounded to the nearest 256th.
std::vector<PageScaler::Tap> ReferenceTaps(int page_size, int target_size) {
  const int64_t whole = target_size / page_size, span = whole * page_size;
  // In 1/target_size of a scaled-up pixel: target pixel i is [i * span, (i + 1) * span) and
  // page pixel p is [p * pixel, (p + 1) * pixel).
  const int64_t pixel = whole * target_size;
  std::vector<PageScaler::Tap> taps;
  for (int64_t i = 0; i < target_size; ++i) {
    const int first = static_cast<int>(i * span / pixel);
    const int64_t into_next = std::max<int64_t>(0, (i + 1) * span - (first + 1) * pixel);
    const auto weight = static_cast<uint32_t>(std::lround(256.0 * into_next / span));
    if (weight == 0)
      taps.push_back({first, first, 0});
    else if (weight == 256)
      taps.push_back({first + 1, first + 1, 0});
    else
      taps.push_back({first, first + 1, weight});
  }
  return taps;
}

std::vector<uint32_t> ReferenceScale(const std::vector<uint8_t>& page, int pitch, int page_width,
                                     int page_height, const std::vector<uint32_t>& colours,
                                     int width, int height) {
  if (width < page_width || height < page_height)
    return ReferenceShrink(page, pitch, page_width, page_height, colours, width, height);
  const auto columns = ReferenceTaps(page_width, width);
  const auto rows = ReferenceTaps(page_height, height);
  auto across = [&](int row, int x) {
    const uint8_t* in = page.data() + row * pitch;
    const PageScaler::Tap& tap = columns[x];
    return BlendBytes(colours[in[tap.first]], colours[in[tap.second]], tap.weight);
  };
  std::vector<uint32_t> out(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      out[y * width + x] =
          BlendBytes(across(rows[y].first, x), across(rows[y].second, x), rows[y].weight);
  return out;
}

struct RandomPage {
  RandomPage(std::mt19937& random, int width, int height, int pitch)
      : width(width), height(height), pitch(pitch), pixels(pitch * height), colours(256) {
    for (auto& pixel : pixels) pixel = static_cast<uint8_t>(random());
    // Every byte of a colour in use, the fourth too: a lane mixed up or saturated shows.
    for (auto& colour : colours) colour = static_cast<uint32_t>(random());
  }
  int width, height, pitch;
  std::vector<uint8_t> pixels;
  std::vector<uint32_t> colours;
};

constexpr PageScaler::Vectors kEveryWidth[] = {
    PageScaler::Vectors::kBest, PageScaler::Vectors::kAvx2, PageScaler::Vectors::kBaseline};

// Scales into a target with a wider pitch than the rectangle, and checks the padding too.
void ExpectLikeTheReference(PageScaler& scaler, const RandomPage& page, int width, int height) {
  const int pitch = width + 3;
  std::vector<uint32_t> target(static_cast<size_t>(pitch) * height, 0xDEADBEEF);
  scaler.Scale(page.pixels.data(), page.pitch, page.width, page.height, page.colours.data(),
               target.data(), pitch * 4, width, height);
  const auto expected =
      ReferenceScale(page.pixels, page.pitch, page.width, page.height, page.colours, width, height);
  for (int y = 0; y < height; ++y) {
    const uint32_t* row = target.data() + y * pitch;
    ASSERT_TRUE(std::equal(row, row + width, expected.begin() + y * width))
        << page.width << "x" << page.height << " to " << width << "x" << height << ", row " << y;
    ASSERT_TRUE(std::all_of(row + width, row + pitch, [](uint32_t v) { return v == 0xDEADBEEF; }));
  }
}

TEST(PageScaler, EverySizeGivesTheReferencesPixelsWithAnyVectors) {
  std::mt19937 random(17);
  const RandomPage game(random, 800, 600, 800);
  // The window sizes players have, and the odd ones between: below the page, the page
  // itself, whole multiples, and widths that leave vector loops a tail of every length.
  const std::pair<int, int> sizes[] = {{1440, 1080}, {2880, 2160}, {1024, 768}, {1600, 1200},
                                       {800, 600},   {1365, 1024}, {400, 300},  {799, 599},
                                       {801, 601},   {2399, 1799}, {1, 1},      {3, 2},
                                       {803, 1207},  {1607, 604},  {2405, 1805}};
  for (auto vectors : kEveryWidth) {
    PageScaler scaler(vectors);
    for (auto [width, height] : sizes) ExpectLikeTheReference(scaler, game, width, height);
    // Small pages of any shape, with padded rows, to sizes on both sides of them.
    for (int i = 0; i < 60; ++i) {
      const int page_width = 1 + static_cast<int>(random() % 40);
      const int page_height = 1 + static_cast<int>(random() % 30);
      const RandomPage page(random, page_width, page_height, page_width + 5);
      ExpectLikeTheReference(scaler, page, 1 + static_cast<int>(random() % (5 * page_width)),
                             1 + static_cast<int>(random() % (5 * page_height)));
    }
  }
  EXPECT_EQ(PageScaler(PageScaler::Vectors::kBaseline).VectorBytes(), 16);
  EXPECT_LE(PageScaler(PageScaler::Vectors::kAvx2).VectorBytes(), 32);
}

TEST(PageScaler, ChangedPlacesAloneGiveTheReferencesPixels) {
  std::mt19937 random(23);
  for (auto [width, height] : {std::pair{1440, 1080}, {2880, 2160}, {1607, 604}, {800, 600}}) {
    for (auto vectors : kEveryWidth) {
      RandomPage page(random, 800, 600, 800);
      PageScaler scaler(vectors);
      std::vector<uint32_t> target(static_cast<size_t>(width) * height);
      scaler.Scale(page.pixels.data(), page.pitch, page.width, page.height, page.colours.data(),
                   target.data(), width * 4, width, height);
      // Sprites move, as in play: a few small places change, some side by side, some on rows
      // of their own. Redrawing only where they changed must give what a whole redraw would.
      std::vector<PageScaler::Span> changed(page.height);
      std::vector<PageRect> places;
      for (int i = 0; i < 12; ++i) {
        const PageRect place{static_cast<int>(random() % 770), static_cast<int>(random() % 570),
                             1 + static_cast<int>(random() % 30),
                             1 + static_cast<int>(random() % 30)};
        places.push_back(place);
        for (int y = place.y; y < place.y + place.height; ++y) {
          changed[y] = changed[y].With({place.x, place.x + place.width});
          for (int x = place.x; x < place.x + place.width; ++x)
            page.pixels[y * page.pitch + x] = static_cast<uint8_t>(random());
        }
      }
      const std::vector<uint32_t> before = target;
      scaler.Scale(page.pixels.data(), page.pitch, page.width, page.height, page.colours.data(),
                   target.data(), width * 4, width, height, changed.data());
      const auto expected = ReferenceScale(page.pixels, page.pitch, page.width, page.height,
                                           page.colours, width, height);
      ASSERT_EQ(target, expected) << width << "x" << height;
      // Every pixel that differs lies in what Written says, for the host to send on.
      std::vector<uint8_t> said(target.size());
      for (const PageRect& area : scaler.Written())
        for (int y = area.y; y < area.y + area.height; ++y)
          for (int x = area.x; x < area.x + area.width; ++x) said[y * width + x] = 1;
      for (size_t i = 0; i < target.size(); ++i)
        ASSERT_TRUE(said[i] || target[i] == before[i]) << "pixel " << i % width << "," << i / width;
    }
  }
}

}  // namespace
