#include <cstring>
#include <string>

#include "gfx/palette.h"
#include "gfx/text.h"
#include "gfx_support.h"
#include "host/common/font.h"

namespace {

bool DeviceMatchesCopy() {
  PALETTEENTRY device[256];
  screen_palette->GetEntries(0, 0, 256, device);
  return std::memcmp(device, palette_entries, sizeof(device)) == 0;
}

// Whether the built-in font inks pixel (x, y) of `text` printed at (left, top).
bool Ink(const char* text, int left, int top, int x, int y) {
  using namespace host::common::font;
  if (y < top || y >= top + kHeight) return false;
  for (const char* c = text; *c; left += Advance(*c++))
    if (x >= left && x < left + Advance(*c)) return Pixel(*c, x - left, y - top);
  return false;
}

}  // namespace

TEST_F(DisplayTest, PaletteInstallsAndRotatesOnDeviceAndCopy) {
  PALETTEENTRY entries[256], out[256];
  for (int i = 0; i < 256; i++) entries[i] = {BYTE(i), BYTE(255 - i), BYTE(i / 2), 4};
  InstallPalette(entries);
  CopyPaletteOut(out);
  EXPECT_EQ(std::memcmp(out, entries, sizeof(out)), 0);
  EXPECT_TRUE(DeviceMatchesCopy());

  const PALETTEENTRY red{255, 0, 0, 4}, green{0, 255, 0, 4}, blue{0, 0, 255, 4};
  SetPaletteEntry(10, &red);
  SetPaletteEntry(11, &green);
  SetPaletteEntry(12, &blue);
  RotatePalette(10, 3);
  const PALETTEENTRY rotated[] = {entries[9], blue, red, green, entries[13]};
  EXPECT_EQ(std::memcmp(&palette_entries[9], rotated, sizeof(rotated)), 0);
  EXPECT_TRUE(DeviceMatchesCopy());
  PALETTEENTRY one;
  GetPaletteEntry(11, &one);
  EXPECT_EQ(std::memcmp(&one, &red, 4), 0);
}

TEST_F(DisplayTest, PaletteTextFileRoundTrip) {
  std::string path = TempPath("palette.txt");
  ASSERT_EQ(SavePaletteFile(path.c_str(), palette_entries), 1);
  std::string text = ReadFile(path);
  EXPECT_EQ(text.substr(0, 16), "\n0 0 0 4\n4 0 0 4");
  EXPECT_EQ(text.substr(text.size() - 14), "\n252 252 252 4");
  PALETTEENTRY loaded[256] = {};
  ASSERT_EQ(LoadPaletteFile(path.c_str(), loaded), 1);
  EXPECT_EQ(std::memcmp(loaded, palette_entries, sizeof(loaded)), 0);

  EXPECT_EQ(LoadPaletteFile(TempPath("missing/palette.txt").c_str(), loaded), 0);
}

TEST_F(DisplayTest, TextInksOnlyItsGlyphPixels) {
  FillSurface(back_buffer, 5);
  ASSERT_EQ(PrintText("Hi%", 20, 30, RGB(255, 255, 255), back_buffer), 1);
  EXPECT_EQ(PrintText("", 0, 0, RGB(255, 0, 0), back_buffer), 1);
  EXPECT_EQ(PrintTextIndexed("M", 100, 100, 130, back_buffer), 1);  // (0, 0, 8)
  int pitch = 0, inked = 0;
  UCHAR* pixels = LockSurface(back_buffer, &pitch);
  for (int y = 0; y < 130; y++) {
    for (int x = 0; x < 130; x++) {
      UCHAR expected = Ink("Hi%", 20, 30, x, y) ? 255 : Ink("M", 100, 100, x, y) ? 130 : 5;
      ASSERT_EQ(pixels[y * pitch + x], expected) << x << "," << y;
      inked += expected != 5;
    }
  }
  UnlockSurface(back_buffer, pixels);
  EXPECT_GT(inked, 20);
  ASSERT_NE(LockBackBuffer(), nullptr);
  EXPECT_EQ(PrintText("locked", 0, 0, RGB(255, 0, 0), back_buffer), 0);
  UnlockBackBuffer();
}

TEST(Log, WritesOnlyWhileOpenAndSwitchesFiles) {
  EXPECT_EQ(WriteLog("\nnowhere %d", 1), 0);
  EXPECT_EQ(CloseLog(), 0);
  std::string a = TempPath("log-a.txt"), b = TempPath("log-b.txt");
  ASSERT_EQ(OpenLog(a.c_str()), 1);
  EXPECT_EQ(WriteLog("%s", "50%d"), 1);
  EXPECT_EQ(WriteLog("\n%s", std::string(100, 'x').c_str()), 1);
  ASSERT_EQ(OpenLog(b.c_str()), 1);
  EXPECT_EQ(CloseLog(), 1);
  EXPECT_EQ(ReadFile(a), "\nOpening Error Output File (" + a + "):\n50%d\n" + std::string(78, 'x') +
                             "\nClosing Error Output File.");
  EXPECT_EQ(ReadFile(b), "\nOpening Error Output File (" + b + "):\n\nClosing Error Output File.");
}
