// .BMP files loaded into memory top-down, and plain 8-bit pictures cut from them.
#pragma once
#include <windows.h>

constexpr int LOAD_BY_CELL = 0;
constexpr int LOAD_BY_PIXEL = 1;
constexpr DWORD PICTURE_LOADED = 0x80;

struct BitmapFile {
  BITMAPFILEHEADER file_header;
  BITMAPINFOHEADER info_header;
  PALETTEENTRY palette[256];
  UCHAR* pixels;
};

struct Picture {
  int state;
  DWORD flags;
  int x, y;
  int width, height;
  int byte_count;
  UCHAR* pixels;
};

int LoadBitmapFile(BitmapFile* bitmap, const char* name);
int UnloadBitmapFile(BitmapFile* bitmap);
int FlipBitmapRows(UCHAR* pixels, int bytes_per_row, int rows);
// The first pixel of a width x height block of a loaded 8-bit bitmap, by cell or by pixel;
// null when no 8-bit bitmap is loaded or the block does not lie wholly inside it.
const UCHAR* FindBitmapBlock(const BitmapFile* bitmap, int a, int b, int width, int height,
                             int mode);
int CreatePicture(Picture* picture, int x, int y, int width, int height);
int DestroyPicture(Picture* picture);
int LoadPicture(Picture* picture, const BitmapFile* bitmap, int a, int b, int mode);
int DrawPicture(const Picture* picture, UCHAR* dest, int pitch, int transparent);
