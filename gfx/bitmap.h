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

// Loads an 8-, 16- or 24-bit .BMP file, its headers checked against the file, pixels top-down;
// 0 on any fault, with nothing allocated. Unloading frees the pixels.
int LoadBitmapFile(BitmapFile* bitmap, const char* name);
int UnloadBitmapFile(BitmapFile* bitmap);
// Turns rows upside down in place. Offered, not used by the game (the loader does its own).
int FlipBitmapRows(UCHAR* pixels, int bytes_per_row, int rows);
// The first pixel of a width x height block of a loaded 8-bit bitmap, by cell or by pixel;
// null when no 8-bit bitmap is loaded or the block does not lie wholly inside it.
const UCHAR* FindBitmapBlock(const BitmapFile* bitmap, int a, int b, int width, int height,
                             int mode);
// A blank width x height picture at (x, y), and its release.
int CreatePicture(Picture* picture, int x, int y, int width, int height);
int DestroyPicture(Picture* picture);
// Copies a cell (or the block at a pixel) of a loaded bitmap into the picture; a block outside
// the image leaves it blank.
int LoadPicture(Picture* picture, const BitmapFile* bitmap, int a, int b, int mode);
// Copies the picture into locked memory at its position; with `transparent`, index 0 is skipped.
int DrawPicture(const Picture* picture, UCHAR* dest, int pitch, int transparent);
