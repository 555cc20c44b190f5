// Bitmap files of any depth, and every kind of cut from them: pictures and sprite frames,
// by cell and by pixel, at the corners and just past the far edges.
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "shell/app_shell.h"
#include "gfx/bitmap.h"
#include "gfx/bob.h"
#include "gfx/display.h"

namespace {

constexpr int kCut = 16;  // size of the pictures and frames cut

void CutEverywhere(const BitmapFile* bitmap, Picture* picture, BOB* bob) {
  const int width = bitmap->info_header.biWidth, height = bitmap->info_header.biHeight;
  const int cells_x = width / (kCut + 1), cells_y = height / (kCut + 1);
  const int places[][3] = {
      {0, 0, LOAD_BY_CELL},
      {cells_x - 1, cells_y - 1, LOAD_BY_CELL},
      {cells_x, cells_y - 1, LOAD_BY_CELL},
      {-1, 0, LOAD_BY_CELL},
      {0, 0, LOAD_BY_PIXEL},
      {width - kCut, height - kCut, LOAD_BY_PIXEL},
      {width - kCut + 1, height - kCut, LOAD_BY_PIXEL},
      {width - kCut, height - kCut + 1, LOAD_BY_PIXEL},
  };
  for (const auto& place : places) {
    LoadPicture(picture, bitmap, place[0], place[1], place[2]);
    LoadBobFrame(bob, bitmap, 0, place[0], place[1], place[2]);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::InstallHost();
  main_window = reinterpret_cast<HWND>(1);
  return StartDisplay(800, 600, 8) ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BitmapFile bitmap;
  std::memset(&bitmap, 0, sizeof(bitmap));
  if (!LoadBitmapFile(&bitmap, fuzz::WriteInput(data, size))) return 0;

  Picture picture;
  BOB bob;
  std::memset(&bob, 0, sizeof(bob));
  if (CreatePicture(&picture, 0, 0, kCut, kCut) &&
      CreateBob(&bob, 0, 0, kCut, kCut, 1, BOB_VISIBLE, DDSCAPS_SYSTEMMEMORY)) {
    CutEverywhere(&bitmap, &picture, &bob);
  }
  DestroyBob(&bob);
  DestroyPicture(&picture);
  UnloadBitmapFile(&bitmap);
  return 0;
}
