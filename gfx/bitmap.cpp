#include "gfx/bitmap.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr WORD BITMAP_MAGIC = 0x4D42;  // "BM"
constexpr DWORD BITMAP_RGB = 0;
constexpr DWORD BITMAP_BITFIELDS = 3;

void FreePixels(BitmapFile* bitmap) {
  std::free(bitmap->pixels);
  bitmap->pixels = nullptr;
}

// Reads exactly `size` bytes at `offset`; a short read counts as a failure.
bool ReadAt(std::FILE* file, long offset, void* buffer, size_t size) {
  return std::fseek(file, offset, SEEK_SET) == 0 && std::fread(buffer, 1, size, file) == size;
}

long FileSize(std::FILE* file) {
  if (std::fseek(file, 0, SEEK_END) != 0) return -1;
  return std::ftell(file);
}

// The colour table sits between the info header and the pixels; a file may hold fewer
// than 256 entries (biClrUsed), and the entries it lacks stay black.
bool ReadPalette(std::FILE* file, BitmapFile* bitmap) {
  const BITMAPINFOHEADER* info = &bitmap->info_header;
  int64_t table_start = sizeof(BITMAPFILEHEADER) + static_cast<int64_t>(info->biSize);
  int64_t room = (static_cast<int64_t>(bitmap->file_header.bfOffBits) - table_start) / 4;
  int64_t count = (info->biClrUsed > 0 && info->biClrUsed < 256) ? info->biClrUsed : 256;
  if (room < count) count = room;
  if (count < 1) return false;

  BYTE table[256][4];
  if (!ReadAt(file, static_cast<long>(table_start), table, static_cast<size_t>(count) * 4))
    return false;
  std::memset(bitmap->palette, 0, sizeof(bitmap->palette));
  for (int i = 0; i < 256; i++) {
    PALETTEENTRY* entry = &bitmap->palette[i];
    if (i < count) {
      // The file keeps blue, green, red, reserved.
      entry->peRed = table[i][2];
      entry->peGreen = table[i][1];
      entry->peBlue = table[i][0];
    }
    entry->peFlags = PC_NOCOLLAPSE;
  }
  return true;
}

// Drops the row padding and turns 24-bit pixels into 5-5-5 16-bit values.
void PackRows(const BYTE* raw, size_t raw_stride, int bits, int width, int height, UCHAR* pixels) {
  for (int row = 0; row < height; row++) {
    const BYTE* source = raw + raw_stride * static_cast<size_t>(row);
    if (bits != 24) {
      size_t row_bytes = static_cast<size_t>(bits / 8) * static_cast<size_t>(width);
      std::memcpy(pixels + row_bytes * static_cast<size_t>(row), source, row_bytes);
      continue;
    }
    UCHAR* dest = pixels + 2 * static_cast<size_t>(width) * static_cast<size_t>(row);
    for (int x = 0; x < width; x++) {
      const BYTE* bgr = source + 3 * x;
      WORD value = static_cast<WORD>(((bgr[2] >> 3) << 10) | ((bgr[1] >> 3) << 5) | (bgr[0] >> 3));
      std::memcpy(dest + 2 * x, &value, 2);
    }
  }
}

// The headers are checked against the file before anything is allocated, so a damaged
// or hostile file is refused instead of read past its end.
int ReadBitmap(std::FILE* file, BitmapFile* bitmap) {
  long file_size = FileSize(file);
  if (file_size < 0 || !ReadAt(file, 0, &bitmap->file_header, sizeof(BITMAPFILEHEADER))) return 0;
  if (bitmap->file_header.bfType != BITMAP_MAGIC) return 0;

  // From here on a refusal leaves the record empty, so no later cut reads stale pixels
  // through the new headers.
  FreePixels(bitmap);
  BITMAPINFOHEADER* info = &bitmap->info_header;
  if (!ReadAt(file, sizeof(BITMAPFILEHEADER), info, sizeof(BITMAPINFOHEADER))) return 0;
  int bits = info->biBitCount;
  if (bits != 8 && bits != 16 && bits != 24) return 0;
  if (info->biCompression != BITMAP_RGB && info->biCompression != BITMAP_BITFIELDS) return 0;
  if (info->biSize < sizeof(BITMAPINFOHEADER)) return 0;
  int64_t width = info->biWidth;
  int64_t height = info->biHeight < 0 ? -static_cast<int64_t>(info->biHeight) : info->biHeight;
  if (width <= 0 || height <= 0) return 0;
  int64_t stride = (width * bits + 31) / 32 * 4;
  int64_t offset = bitmap->file_header.bfOffBits;
  int64_t header_end = sizeof(BITMAPFILEHEADER) + static_cast<int64_t>(info->biSize);
  if (offset < header_end || offset > file_size || stride > (file_size - offset) / height) return 0;
  if (bits == 8 && !ReadPalette(file, bitmap)) return 0;

  size_t raw_size = static_cast<size_t>(stride * height);
  int out_bytes = bits == 8 ? 1 : 2;
  size_t pixel_size = static_cast<size_t>(width * height * out_bytes);
  BYTE* raw = static_cast<BYTE*>(std::malloc(raw_size));
  bitmap->pixels = static_cast<UCHAR*>(std::malloc(pixel_size));
  if (!raw || !bitmap->pixels || !ReadAt(file, static_cast<long>(offset), raw, raw_size)) {
    std::free(raw);
    FreePixels(bitmap);
    return 0;
  }
  PackRows(raw, static_cast<size_t>(stride), bits, static_cast<int>(width),
           static_cast<int>(height), bitmap->pixels);
  std::free(raw);

  // The buffer is always top row first; the header describes the buffer from now on.
  if (info->biHeight > 0)
    FlipBitmapRows(bitmap->pixels, out_bytes * static_cast<int>(width), static_cast<int>(height));
  info->biHeight = static_cast<LONG>(height);
  info->biBitCount = static_cast<WORD>(out_bytes * 8);
  return 1;
}

}  // namespace

int LoadBitmapFile(BitmapFile* bitmap, const char* name) {
  std::FILE* file = std::fopen(name, "rb");
  if (!file) return 0;
  int result = ReadBitmap(file, bitmap);
  std::fclose(file);
  return result;
}

int UnloadBitmapFile(BitmapFile* bitmap) {
  FreePixels(bitmap);
  return 1;
}

int FlipBitmapRows(UCHAR* pixels, int bytes_per_row, int rows) {
  if (!pixels || bytes_per_row <= 0 || rows <= 0) return 0;
  size_t row_bytes = static_cast<size_t>(bytes_per_row);
  UCHAR* copy = static_cast<UCHAR*>(std::malloc(row_bytes * static_cast<size_t>(rows)));
  if (!copy) return 0;
  std::memcpy(copy, pixels, row_bytes * static_cast<size_t>(rows));
  for (int i = 0; i < rows; i++) {
    std::memcpy(pixels + row_bytes * static_cast<size_t>(rows - 1 - i),
                copy + row_bytes * static_cast<size_t>(i), row_bytes);
  }
  std::free(copy);
  return 1;
}

const UCHAR* FindBitmapBlock(const BitmapFile* bitmap, int a, int b, int width, int height,
                             int mode) {
  if (!bitmap->pixels || bitmap->info_header.biBitCount != 8) return nullptr;
  int64_t x = a, y = b;
  if (mode == LOAD_BY_CELL) {
    x = x * (width + 1) + 1;
    y = y * (height + 1) + 1;
  }
  int64_t bitmap_width = bitmap->info_header.biWidth;
  int64_t bitmap_height = bitmap->info_header.biHeight;
  if (width < 0 || height < 0 || x < 0 || y < 0 || x + width > bitmap_width ||
      y + height > bitmap_height)
    return nullptr;
  return bitmap->pixels + y * bitmap_width + x;
}

int CreatePicture(Picture* picture, int x, int y, int width, int height) {
  picture->pixels = nullptr;
  if (width <= 0 || height <= 0) return 0;
  size_t size = static_cast<size_t>(width) * static_cast<size_t>(height);
  picture->pixels = static_cast<UCHAR*>(std::malloc(size));
  if (!picture->pixels) return 0;
  picture->state = 1;
  picture->flags = 0;
  picture->width = width;
  picture->height = height;
  picture->x = x;
  picture->y = y;
  picture->byte_count = width * height;
  std::memset(picture->pixels, 0, size);
  return 1;
}

int DestroyPicture(Picture* picture) {
  if (!picture || !picture->pixels) return 0;
  std::free(picture->pixels);
  std::memset(picture, 0, sizeof(*picture));
  return 1;
}

int LoadPicture(Picture* picture, const BitmapFile* bitmap, int a, int b, int mode) {
  if (!picture || !picture->pixels) return 0;
  const UCHAR* source = FindBitmapBlock(bitmap, a, b, picture->width, picture->height, mode);
  if (!source) return 0;
  size_t stride = static_cast<size_t>(bitmap->info_header.biWidth);
  size_t width = static_cast<size_t>(picture->width);
  for (int row = 0; row < picture->height; row++)
    std::memcpy(picture->pixels + width * row, source + stride * row, width);
  picture->flags |= PICTURE_LOADED;
  return 1;
}

int DrawPicture(const Picture* picture, UCHAR* dest, int pitch, int transparent) {
  if (!picture || !(picture->flags & PICTURE_LOADED)) return 0;
  UCHAR* row_dest = dest + picture->y * pitch + picture->x;
  const UCHAR* row_source = picture->pixels;
  for (int row = 0; row < picture->height; row++) {
    if (!transparent) {
      std::memcpy(row_dest, row_source, static_cast<size_t>(picture->width));
    } else {
      // Index 0 is see-through.
      for (int x = 0; x < picture->width; x++)
        if (row_source[x]) row_dest[x] = row_source[x];
    }
    row_dest += pitch;
    row_source += picture->width;
  }
  return 1;
}
