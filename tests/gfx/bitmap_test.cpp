#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/bitmap.h"
#include "gfx_support.h"

namespace {

void Put(std::vector<uint8_t>* bytes, size_t at, uint32_t value, int size) {
  for (int i = 0; i < size; i++) (*bytes)[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A plain .BMP: headers, colour table, `gap` junk bytes, then the rows exactly as given.
std::vector<uint8_t> MakeBmp(int bits, int width, int height, const std::vector<uint8_t>& table,
                             const std::vector<uint8_t>& rows, size_t gap = 0) {
  std::vector<uint8_t> bytes(54);
  uint32_t offset = static_cast<uint32_t>(54 + table.size() + gap);
  bytes[0] = 'B';
  bytes[1] = 'M';
  Put(&bytes, 2, offset + static_cast<uint32_t>(rows.size()), 4);
  Put(&bytes, 10, offset, 4);
  Put(&bytes, 14, 40, 4);
  Put(&bytes, 18, static_cast<uint32_t>(width), 4);
  Put(&bytes, 22, static_cast<uint32_t>(height), 4);
  Put(&bytes, 26, 1, 2);
  Put(&bytes, 28, static_cast<uint32_t>(bits), 2);
  Put(&bytes, 34, static_cast<uint32_t>(rows.size()), 4);
  Put(&bytes, 46, static_cast<uint32_t>(table.size() / 4), 4);
  bytes.insert(bytes.end(), table.begin(), table.end());
  bytes.insert(bytes.end(), gap, 0xEE);
  bytes.insert(bytes.end(), rows.begin(), rows.end());
  return bytes;
}

// 4 x 2, file rows bottom first; entry 0 is blue 10, green 20, red 30.
std::vector<uint8_t> FourByTwo(size_t table_entries = 256, size_t gap = 0) {
  std::vector<uint8_t> table(4 * table_entries, 0);
  table[0] = 10, table[1] = 20, table[2] = 30;
  if (table_entries > 1) table[4] = 40;
  return MakeBmp(8, 4, 2, table, {5, 6, 7, 8, 1, 2, 3, 4}, gap);
}

std::string Data(const char* name) { return std::string(FERROWYN_TEST_DATA) + "/" + name; }

const uint16_t* Pixels16(const BitmapFile& bitmap) {
  return reinterpret_cast<const uint16_t*>(bitmap.pixels);
}

}  // namespace

TEST(BitmapLoad, EightBitRowsComeTopFirstWithTheirPalette) {
  // Junk between the table and the pixels, and after them: only bfOffBits finds the rows.
  std::vector<uint8_t> file = FourByTwo(256, 12);
  file.insert(file.end(), {9, 9, 9});
  WriteFile(TempPath("bmp-4x2.bmp"), file);
  BitmapFile bitmap{};
  ASSERT_EQ(LoadBitmapFile(&bitmap, TempPath("bmp-4x2.bmp").c_str()), 1);
  const UCHAR expected[] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(std::memcmp(bitmap.pixels, expected, 8), 0);
  EXPECT_EQ(bitmap.palette[0].peRed, 30);
  EXPECT_EQ(bitmap.palette[0].peGreen, 20);
  EXPECT_EQ(bitmap.palette[0].peBlue, 10);
  EXPECT_EQ(bitmap.palette[0].peFlags, PC_NOCOLLAPSE);

  // A two-colour table: the entries it lacks are black, not pixel bytes.
  WriteFile(TempPath("bmp-short.bmp"), FourByTwo(2));
  ASSERT_EQ(LoadBitmapFile(&bitmap, TempPath("bmp-short.bmp").c_str()), 1);
  EXPECT_EQ(bitmap.palette[1].peBlue, 40);
  EXPECT_EQ(bitmap.palette[2].peRed + bitmap.palette[2].peGreen + bitmap.palette[2].peBlue, 0);
  EXPECT_EQ(std::memcmp(bitmap.pixels, expected, 8), 0);
  UnloadBitmapFile(&bitmap);
  EXPECT_EQ(bitmap.pixels, nullptr);
}

// Files written by tools of others, each checked with `identify -verbose` and `convert txt:-`:
//   bmp-palette7x5.bmp  convert -size 7x5 xc:black -channel R -fx 'i/6' -channel G -fx 'j/4'
//                       -channel B -fx '0.5' +channel -type Palette -compress None BMP3:...
//                       (8-bit, rows padded to 8 bytes)
//   bmp-rgb3x2.bmp      convert -size 3x2 xc:black with -draw 'point' per pixel, -type TrueColor
//                       -compress None BMP3:...  (24-bit, rows padded to 12 bytes)
//   bmp-topdown3x2.bmp  bmp-rgb3x2.bmp with its height negated and its rows reversed (our
//                       ImageMagick cannot write top-down files); `compare -metric AE` against
//                       bmp-rgb3x2.bmp reads 0, so ImageMagick sees the same picture
//   bmp-zerosize5x3.bmp a red 5x3 with a blue (0,0) and a lime (4,2) through `ppmtobmp -bpp 8`
//                       (netpbm; biSizeImage 0)
TEST(BitmapLoad, ReadsFilesFromOtherTools) {
  BitmapFile bitmap{};
  ASSERT_EQ(LoadBitmapFile(&bitmap, Data("bmp-palette7x5.bmp").c_str()), 1);
  const int reds[] = {0, 43, 85, 128, 170, 212, 255}, greens[] = {0, 64, 128, 191, 255};
  for (int y = 0; y < 5; y++) {
    for (int x = 0; x < 7; x++) {
      const PALETTEENTRY& e = bitmap.palette[bitmap.pixels[y * 7 + x]];
      EXPECT_EQ(e.peRed, reds[x]) << x << "," << y;
      EXPECT_EQ(e.peGreen, greens[y]) << x << "," << y;
      EXPECT_EQ(e.peBlue, 128) << x << "," << y;
    }
  }

  // (8,0,255) is 0x041F; white, (16,32,64); red, lime, (7,7,7).
  const uint16_t rgb[] = {0x041F, 0x7FFF, 0x0888, 0x7C00, 0x03E0, 0x0000};
  for (const char* name : {"bmp-rgb3x2.bmp", "bmp-topdown3x2.bmp"}) {
    ASSERT_EQ(LoadBitmapFile(&bitmap, Data(name).c_str()), 1) << name;
    EXPECT_EQ(bitmap.info_header.biBitCount, 16) << name;
    EXPECT_EQ(bitmap.info_header.biHeight, 2) << name;
    EXPECT_EQ(std::memcmp(Pixels16(bitmap), rgb, sizeof(rgb)), 0) << name;
  }

  ASSERT_EQ(LoadBitmapFile(&bitmap, Data("bmp-zerosize5x3.bmp").c_str()), 1);
  for (int i = 0; i < 15; i++) {
    const PALETTEENTRY& e = bitmap.palette[bitmap.pixels[i]];
    int colour = RGB(e.peRed, e.peGreen, e.peBlue);
    EXPECT_EQ(colour, i == 0 ? RGB(0, 0, 255) : i == 14 ? RGB(0, 255, 0) : RGB(255, 0, 0)) << i;
  }
  UnloadBitmapFile(&bitmap);
}

TEST(BitmapLoad, DamagedFilesAreRefusedAndLeaveNoStalePixels) {
  std::vector<uint8_t> good = FourByTwo();
  auto refused = [](std::vector<uint8_t> file) {
    WriteFile(TempPath("bmp-bad.bmp"), file);
    BitmapFile bitmap{};
    int result = LoadBitmapFile(&bitmap, Data("bmp-palette7x5.bmp").c_str());
    result = result && !LoadBitmapFile(&bitmap, TempPath("bmp-bad.bmp").c_str());
    bool empty = bitmap.pixels == nullptr;
    UnloadBitmapFile(&bitmap);
    return result && empty;
  };
  auto with = [&](size_t at, uint32_t value, int size) {
    std::vector<uint8_t> file = good;
    Put(&file, at, value, size);
    return file;
  };
  EXPECT_TRUE(refused(std::vector<uint8_t>(good.begin(), good.end() - 1)));  // truncated
  EXPECT_TRUE(refused(std::vector<uint8_t>(good.begin(), good.begin() + 30)));
  EXPECT_TRUE(refused(with(28, 32, 2)));          // 32 bits per pixel
  EXPECT_TRUE(refused(with(28, 4, 2)));           // 4 bits per pixel
  EXPECT_TRUE(refused(with(30, 1, 4)));           // run-length coded
  EXPECT_TRUE(refused(with(18, 0, 4)));           // no width
  EXPECT_TRUE(refused(with(22, 0, 4)));           // no height
  EXPECT_TRUE(refused(with(18, 0x40000000, 4)));  // rows longer than the file
  EXPECT_TRUE(refused(with(22, 0x80000000, 4)));  // the most negative height
  EXPECT_TRUE(refused(with(10, 5000, 4)));        // pixels past the end
  EXPECT_TRUE(refused(with(10, 20, 4)));          // pixels inside the headers

  BitmapFile bitmap{};
  EXPECT_EQ(LoadBitmapFile(&bitmap, TempPath("no-such-file.bmp").c_str()), 0);
  WriteFile(TempPath("bmp-bad.bmp"), with(0, 'X', 1));
  EXPECT_EQ(LoadBitmapFile(&bitmap, TempPath("bmp-bad.bmp").c_str()), 0);
}

namespace {

// A 40 x 70 8-bit sheet in memory whose pixel (x, y) holds x + 3y.
void MakeSheet(BitmapFile* sheet) {
  *sheet = BitmapFile{};
  sheet->info_header.biWidth = 40;
  sheet->info_header.biHeight = 70;
  sheet->info_header.biBitCount = 8;
  sheet->pixels = static_cast<UCHAR*>(std::malloc(40 * 70));
  for (int y = 0; y < 70; y++)
    for (int x = 0; x < 40; x++) sheet->pixels[y * 40 + x] = static_cast<UCHAR>(x + 3 * y);
}

}  // namespace

TEST(Picture, CopiesCellsThatLieInsideAnEightBitSheet) {
  BitmapFile sheet;
  MakeSheet(&sheet);
  Picture picture{};
  ASSERT_EQ(CreatePicture(&picture, 0, 0, 10, 20), 1);
  EXPECT_EQ(LoadPicture(&picture, &sheet, 1, 2, LOAD_BY_CELL), 1);
  EXPECT_EQ(picture.pixels[0], 12 + 3 * 43);
  EXPECT_EQ(picture.pixels[19 * 10 + 9], 21 + 3 * 62);
  EXPECT_TRUE(picture.flags & PICTURE_LOADED);
  EXPECT_EQ(LoadPicture(&picture, &sheet, 30, 50, LOAD_BY_PIXEL), 1);
  EXPECT_EQ(picture.pixels[0], 30 + 3 * 50);

  Picture blank{};
  ASSERT_EQ(CreatePicture(&blank, 0, 0, 10, 20), 1);
  EXPECT_EQ(LoadPicture(&blank, &sheet, 3, 0, LOAD_BY_CELL), 0);  // columns 34..43 of 40
  EXPECT_EQ(LoadPicture(&blank, &sheet, 31, 50, LOAD_BY_PIXEL), 0);
  EXPECT_EQ(LoadPicture(&blank, &sheet, 0, -1, LOAD_BY_PIXEL), 0);
  sheet.info_header.biBitCount = 16;
  EXPECT_EQ(LoadPicture(&blank, &sheet, 0, 0, LOAD_BY_CELL), 0);
  UnloadBitmapFile(&sheet);
  EXPECT_EQ(LoadPicture(&blank, &sheet, 0, 0, LOAD_BY_CELL), 0);
  EXPECT_EQ(blank.flags, 0u);
  for (int i = 0; i < 200; i++) ASSERT_EQ(blank.pixels[i], 0);
  DestroyPicture(&picture);
  DestroyPicture(&blank);
}

TEST(Picture, DrawsOpaqueOrSeeThroughAtIndexZero) {
  BitmapFile sheet;
  MakeSheet(&sheet);
  Picture picture{};
  ASSERT_EQ(CreatePicture(&picture, 2, 1, 3, 2), 1);
  std::vector<UCHAR> dest(10 * 5, 9);
  EXPECT_EQ(DrawPicture(&picture, dest.data(), 10, 0), 0);  // not loaded yet
  EXPECT_EQ(dest, std::vector<UCHAR>(50, 9));

  // Sheet row 0 starts 0, 1, 2: the first pixel of each picture row is index 0 ... row 1 is 3.
  ASSERT_EQ(LoadPicture(&picture, &sheet, 0, 0, LOAD_BY_PIXEL), 1);
  EXPECT_EQ(DrawPicture(&picture, dest.data(), 10, 1), 1);
  EXPECT_EQ(dest[1 * 10 + 2], 9);
  EXPECT_EQ(dest[1 * 10 + 3], 1);
  EXPECT_EQ(dest[2 * 10 + 2], 3);
  EXPECT_EQ(DrawPicture(&picture, dest.data(), 10, 0), 1);
  EXPECT_EQ(dest[1 * 10 + 2], 0);
  EXPECT_EQ(dest[1 * 10 + 5], 9);  // just right of the picture

  EXPECT_EQ(DestroyPicture(&picture), 1);
  EXPECT_EQ(picture.pixels, nullptr);
  EXPECT_EQ(picture.state, 0);
  EXPECT_EQ(DestroyPicture(&picture), 0);
  UnloadBitmapFile(&sheet);
}
