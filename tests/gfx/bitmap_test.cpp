#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/bitmap.h"
#include "gfx_support.h"

namespace {

void Put(std::vector<uint8_t>* bytes, size_t at, uint32_t value, int size) {
  for (int i = 0; i < size; i++) (*bytes)[at + i] = uint8_t(value >> (8 * i));
}

// A 4 x 2 8-bit .BMP, rows bottom first, whose colour table (entry 0: blue 10, green 20,
// red 30) is followed by `gap` junk bytes before the pixels.
std::vector<uint8_t> FourByTwo(uint32_t table_entries = 256, uint32_t gap = 0) {
  BITMAPFILEHEADER file{0x4D42, 0, 0, 0, 54 + 4 * table_entries + gap};
  BITMAPINFOHEADER info{40, 4, 2, 1, 8, 0, 8, 0, 0, table_entries, 0};
  std::vector<uint8_t> bytes(file.bfOffBits, 0xEE);
  std::memcpy(&bytes[0], &file, 14);
  std::memcpy(&bytes[14], &info, 40);
  Put(&bytes, 54, 0x001E140A, 4);
  bytes.insert(bytes.end(), {5, 6, 7, 8, 1, 2, 3, 4});
  return bytes;
}

std::string Data(const char* name) {
  return std::string(FERROWYN_TEST_DATA) + "/" + name;
}

const UCHAR kFourByTwoTopFirst[] = {1, 2, 3, 4, 5, 6, 7, 8};

}  // namespace

TEST(BitmapLoad, EightBitRowsComeTopFirstWithTheirPalette) {
  // Junk after the table and after the pixels: only bfOffBits finds the rows.
  std::vector<uint8_t> file = FourByTwo(256, 12);
  file.insert(file.end(), {9, 9, 9});
  WriteFile(TempPath("bmp-4x2.bmp"), file);
  BitmapFile bitmap{};
  ASSERT_EQ(LoadBitmapFile(&bitmap, TempPath("bmp-4x2.bmp").c_str()), 1);
  EXPECT_EQ(std::memcmp(bitmap.pixels, kFourByTwoTopFirst, 8), 0);
  const PALETTEENTRY converted{30, 20, 10, PC_NOCOLLAPSE};
  EXPECT_EQ(std::memcmp(&bitmap.palette[0], &converted, 4), 0);

  // A one-entry table: the entries it lacks are black, not pixel bytes.
  WriteFile(TempPath("bmp-4x2.bmp"), FourByTwo(1));
  ASSERT_EQ(LoadBitmapFile(&bitmap, TempPath("bmp-4x2.bmp").c_str()), 1);
  EXPECT_EQ(bitmap.palette[1].peRed + bitmap.palette[1].peGreen + bitmap.palette[1].peBlue, 0);
  EXPECT_EQ(std::memcmp(bitmap.pixels, kFourByTwoTopFirst, 8), 0);
  UnloadBitmapFile(&bitmap);
  EXPECT_EQ(bitmap.pixels, nullptr);
}

// Files written by others' tools, each checked with `identify -verbose` and `convert txt:-`:
//   bmp-palette7x5.bmp  convert -size 7x5 xc:black -channel R -fx 'i/6' -channel G -fx 'j/4'
//                       -channel B -fx '0.5' +channel -type Palette -compress None BMP3:...
//   bmp-rgb3x2.bmp      convert -size 3x2 xc:black, one -fill/-draw 'point' per pixel,
//                       -type TrueColor -compress None BMP3:...  (24-bit)
//   bmp-topdown3x2.bmp  bmp-rgb3x2.bmp with its height negated and rows reversed, since this
//                       ImageMagick writes no top-down files; `compare -metric AE` with
//                       bmp-rgb3x2.bmp gives 0, so ImageMagick reads the same picture
//   bmp-zerosize5x3.bmp red 5x3, blue (0,0), lime (4,2), through netpbm `ppmtobmp -bpp 8`
//                       (its biSizeImage is 0)
// All have rows that need padding to four bytes.
TEST(BitmapLoad, ReadsFilesFromOtherTools) {
  BitmapFile bitmap{};
  ASSERT_EQ(LoadBitmapFile(&bitmap, Data("bmp-palette7x5.bmp").c_str()), 1);
  const int reds[] = {0, 43, 85, 128, 170, 212, 255}, greens[] = {0, 64, 128, 191, 255};
  for (int i = 0; i < 35; i++) {
    const PALETTEENTRY& e = bitmap.palette[bitmap.pixels[i]];
    EXPECT_EQ(RGB(e.peRed, e.peGreen, e.peBlue), RGB(reds[i % 7], greens[i / 7], 128)) << i;
  }
  // (8,0,255) is 0x041F; white, (16,32,64); red, lime, (7,7,7).
  const uint16_t rgb[] = {0x041F, 0x7FFF, 0x0888, 0x7C00, 0x03E0, 0x0000};
  for (const char* name : {"bmp-rgb3x2.bmp", "bmp-topdown3x2.bmp"}) {
    ASSERT_EQ(LoadBitmapFile(&bitmap, Data(name).c_str()), 1) << name;
    EXPECT_EQ(bitmap.info_header.biBitCount, 16) << name;
    EXPECT_EQ(bitmap.info_header.biHeight, 2) << name;
    EXPECT_EQ(std::memcmp(bitmap.pixels, rgb, sizeof(rgb)), 0) << name;
  }
  ASSERT_EQ(LoadBitmapFile(&bitmap, Data("bmp-zerosize5x3.bmp").c_str()), 1);
  const PALETTEENTRY* palette = bitmap.palette;
  EXPECT_EQ(palette[bitmap.pixels[0]].peBlue + palette[bitmap.pixels[14]].peGreen, 2 * 255);
  EXPECT_EQ(palette[bitmap.pixels[4]].peRed, 255);
  UnloadBitmapFile(&bitmap);
}

TEST(BitmapLoad, DamagedFilesAreRefusedAndLeaveNoStalePixels) {
  const std::vector<uint8_t> good = FourByTwo();
  auto refused = [&](size_t at, uint32_t value, int size, size_t cut = 0) {
    std::vector<uint8_t> file(good.begin(), good.end() - long(cut));
    Put(&file, at, value, size);
    WriteFile(TempPath("bmp-bad.bmp"), file);
    BitmapFile bitmap{};
    LoadBitmapFile(&bitmap, Data("bmp-palette7x5.bmp").c_str());
    bool result = !LoadBitmapFile(&bitmap, TempPath("bmp-bad.bmp").c_str()) && !bitmap.pixels;
    UnloadBitmapFile(&bitmap);
    return result;
  };
  EXPECT_TRUE(refused(0, 'B', 1, 1));       // one byte short
  EXPECT_TRUE(refused(28, 32, 2));          // 32 bits per pixel
  EXPECT_TRUE(refused(30, 1, 4));           // run-length coded
  EXPECT_TRUE(refused(22, 0x80000000, 4));  // the most negative height
  EXPECT_TRUE(refused(18, 0x40000000, 4));  // rows longer than the file
  EXPECT_TRUE(refused(10, 5000, 4));        // pixels past the end
  EXPECT_FALSE(refused(0, 'B', 1));         // the good file itself
  BitmapFile bitmap{};
  EXPECT_EQ(LoadBitmapFile(&bitmap, TempPath("no-such.bmp").c_str()), 0);
  std::vector<uint8_t> not_bm = good;
  not_bm[1] = 'X';
  WriteFile(TempPath("bmp-bad.bmp"), not_bm);
  EXPECT_EQ(LoadBitmapFile(&bitmap, TempPath("bmp-bad.bmp").c_str()), 0);
}

TEST(Picture, CopiesCellsInsideAnEightBitSheetAndDraws) {
  // A 40 x 70 sheet whose pixel (x, y) holds x + 3y.
  BitmapFile sheet{};
  sheet.info_header.biWidth = 40;
  sheet.info_header.biHeight = 70;
  sheet.info_header.biBitCount = 8;
  sheet.pixels = static_cast<UCHAR*>(std::malloc(40 * 70));
  for (int i = 0; i < 40 * 70; i++) sheet.pixels[i] = UCHAR(i % 40 + 3 * (i / 40));
  Picture picture{}, blank{};
  ASSERT_EQ(CreatePicture(&picture, 2, 1, 10, 20) + CreatePicture(&blank, 0, 0, 10, 20), 2);
  ASSERT_EQ(LoadPicture(&picture, &sheet, 1, 2, LOAD_BY_CELL), 1);
  EXPECT_EQ(picture.pixels[0], 12 + 3 * 43);
  EXPECT_EQ(picture.pixels[19 * 10 + 9], 21 + 3 * 62);

  EXPECT_EQ(LoadPicture(&blank, &sheet, 3, 0, LOAD_BY_CELL), 0);  // columns 34..43 of 40
  sheet.info_header.biBitCount = 16;
  EXPECT_EQ(LoadPicture(&blank, &sheet, 0, 0, LOAD_BY_CELL), 0);
  sheet.info_header.biBitCount = 8;
  EXPECT_EQ(blank.flags, 0u);
  EXPECT_EQ(std::count(blank.pixels, blank.pixels + 200, 0), 200);

  // Sheet pixel (0, 0) is index 0: see-through only when asked.
  std::vector<UCHAR> dest(30 * 30, 9);
  EXPECT_EQ(DrawPicture(&blank, dest.data(), 30, 0), 0);
  ASSERT_EQ(LoadPicture(&picture, &sheet, 0, 0, LOAD_BY_PIXEL), 1);
  EXPECT_EQ(DrawPicture(&picture, dest.data(), 30, 1), 1);
  EXPECT_EQ(dest[1 * 30 + 2], 9);
  EXPECT_EQ(dest[1 * 30 + 3], 1);
  EXPECT_EQ(dest[20 * 30 + 11], 9 + 3 * 19);
  EXPECT_EQ(DrawPicture(&picture, dest.data(), 30, 0), 1);
  EXPECT_EQ(dest[1 * 30 + 2], 0);
  EXPECT_EQ(dest[21 * 30 + 2] + dest[1 * 30 + 12], 18);  // just below and right of it

  DestroyPicture(&picture);
  DestroyPicture(&blank);
  UnloadBitmapFile(&sheet);
}
