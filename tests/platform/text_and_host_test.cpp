#include <gtest/gtest.h>

#include "support/temp_path.h"
#include <windows.h>
#include <ddraw.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

#include "host/common/font.h"
#include "host/headless/headless_host.h"
#include "host/common/png_writer.h"

namespace {

TEST(Font, CoversPrintableAsciiWithinTheCell) {
  int total = 0;
  for (char c = ' '; c <= '~'; ++c) {
    int advance = host::common::font::Advance(c);
    ASSERT_GE(advance, 2) << c;
    total += advance;
    bool ink = false;
    for (int y = 0; y < host::common::font::kHeight; ++y) {
      // The spacing column is always blank.
      EXPECT_FALSE(host::common::font::Pixel(c, advance - 1, y)) << c;
      for (int x = 0; x < advance; ++x) ink |= host::common::font::Pixel(c, x, y);
    }
    EXPECT_EQ(ink, c != ' ') << c;
  }
  EXPECT_NEAR(total / 95.0, 6.0, 1.0);
  EXPECT_EQ(host::common::font::Advance('\t'), host::common::font::Advance('?'));
  EXPECT_EQ(host::common::font::TextWidth("AB C", 4),
            host::common::font::Advance('A') + host::common::font::Advance('B') +
                host::common::font::Advance(' ') + host::common::font::Advance('C'));
}

// A plain surface with a palette on a primary, to print on.
class TextTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(DirectDrawCreate(nullptr, &draw, nullptr), DD_OK);
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    ASSERT_EQ(draw->CreateSurface(&desc, &primary, nullptr), DD_OK);
    // Grey ramp, with an exact red at 77 and a near-tie for pure blue at 200 and 201.
    for (int i = 0; i < 256; ++i) entries[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
    entries[77] = {255, 0, 0, 0};
    entries[200] = {0, 0, 250, 0};
    entries[201] = {0, 0, 250, 0};
    ASSERT_EQ(draw->CreatePalette(DDPCAPS_8BIT, entries, &palette, nullptr), DD_OK);
    ASSERT_EQ(primary->SetPalette(palette), DD_OK);
    Clear();
  }
  void TearDown() override {
    palette->Release();
    primary->Release();
    draw->Release();
  }

  void Clear() {
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 5;
    primary->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx);
  }

  void Print(const char* text, int x, int y, COLORREF colour, int mode = TRANSPARENT) {
    HDC dc = nullptr;
    ASSERT_EQ(primary->GetDC(&dc), DD_OK);
    SetTextColor(dc, colour);
    SetBkMode(dc, mode);
    ASSERT_TRUE(TextOutA(dc, x, y, text, static_cast<int>(std::strlen(text))));
    ASSERT_EQ(primary->ReleaseDC(dc), DD_OK);
  }

  // The visible page, as the last present left it.
  static int Shown(int x, int y) {
    auto& host = dynamic_cast<host::headless::HeadlessHost&>(host::Current());
    return host.Page()[static_cast<size_t>(y) * host.PageWidth() + x];
  }

  LPDIRECTDRAW draw = nullptr;
  LPDIRECTDRAWSURFACE primary = nullptr;
  LPDIRECTDRAWPALETTE palette = nullptr;
  PALETTEENTRY entries[256];
};

TEST_F(TextTest, GlyphPixelsTakeTheNearestPaletteEntryAndNothingElseChanges) {
  Print("Hi", 10, 20, RGB(250, 10, 10));
  int ink = 0;
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) {
      int cx = x - 10, cy = y - 20;
      bool glyph =
          cy >= 0 && cy < 16 && cx >= 0 && cx < host::common::font::TextWidth("Hi", 2) &&
          host::common::font::Pixel(
              cx < host::common::font::Advance('H') ? 'H' : 'i',
              cx < host::common::font::Advance('H') ? cx : cx - host::common::font::Advance('H'),
              cy);
      ASSERT_EQ(Shown(x, y), glyph ? 77 : 5) << x << "," << y;
      ink += glyph;
    }
  }
  EXPECT_GT(ink, 20);

  // Equal distances go to the lower index.
  Clear();
  Print("I", 0, 0, RGB(0, 0, 255));
  EXPECT_EQ(Shown(1, 3), 200);
}

TEST_F(TextTest, OpaqueTextFillsItsCellsAndClipsAtTheEdges) {
  Print(" ", 100, 100, RGB(255, 0, 0), OPAQUE);  // white background: grey entry 255
  EXPECT_EQ(Shown(100, 100), 255);
  EXPECT_EQ(Shown(100 + host::common::font::Advance(' ') - 1, 115), 255);
  EXPECT_EQ(Shown(100 + host::common::font::Advance(' '), 115), 5);
  EXPECT_EQ(Shown(100, 116), 5);

  // Text running off every edge draws the part inside and nothing out of bounds.
  Print("WWWW", 790, 590, RGB(255, 0, 0), OPAQUE);
  Print("WWWW", -10, -10, RGB(255, 0, 0), OPAQUE);
  EXPECT_EQ(Shown(799, 599), 255);
  EXPECT_EQ(Shown(0, 0), 255);
  Print("", 0, 0, RGB(0, 0, 0));
}

TEST_F(TextTest, PaletteChangeRemapsLaterText) {
  PALETTEENTRY green{0, 255, 0, 0};
  ASSERT_EQ(palette->SetEntries(0, 30, 1, &green), DD_OK);
  Print("I", 0, 0, RGB(0, 250, 0));
  EXPECT_EQ(Shown(1, 3), 30);
}

std::string ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(HeadlessHost, KeepsThePresentedPageAndWritesItAsPng) {
  host::headless::HeadlessHost headless(1000);
  EXPECT_FALSE(headless.SavePng(testing::TempDir() + "none.png"));
  uint8_t pixels[3 * 4] = {0, 1, 2, 9, 1, 1, 1, 9};  // 3 x 2 with a pitch of 4
  host::Rgb palette[256] = {{0, 0, 0}, {10, 20, 30}, {255, 0, 0}};
  headless.Present(pixels, 4, 3, 2, palette, nullptr);
  EXPECT_EQ(headless.PresentCount(), 1);
  EXPECT_EQ(headless.PagePixel(2, 0).r, 255);
  EXPECT_EQ(headless.PagePixel(0, 1).b, 30);

  // The file is the PNG writer's picture of the page (its decoding is tested there).
  std::string path = TempPath("headless_page.png");
  std::string expected = TempPath("headless_expected.png");
  ASSERT_TRUE(headless.SavePng(path));
  ASSERT_TRUE(host::common::WritePng(expected, pixels, 4, 3, 2, palette));
  EXPECT_EQ(ReadAll(path), ReadAll(expected));
  EXPECT_FALSE(headless.SavePng("/nonexistent-dir/page.png"));
  std::remove(path.c_str());
  std::remove(expected.c_str());
}

TEST(HeadlessHost, AudioIsPulledFromTheSourceOrSilent) {
  struct Ramp : host::AudioSource {
    void Mix(int16_t* stereo, size_t frames) override {
      for (size_t i = 0; i < frames * 2; ++i) stereo[i] = static_cast<int16_t>(i + 1);
    }
  } ramp;
  host::headless::HeadlessHost headless;
  int16_t buffer[8];
  std::fill(std::begin(buffer), std::end(buffer), int16_t{7});
  headless.RenderAudio(buffer, 4);
  EXPECT_EQ(std::count(std::begin(buffer), std::end(buffer), 0), 8);
  headless.SetAudioSource(&ramp);
  headless.RenderAudio(buffer, 4);
  EXPECT_EQ(buffer[7], 8);
}

}  // namespace
