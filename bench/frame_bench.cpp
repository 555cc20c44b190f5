// The engine's per-frame drawing on the headless host: what one game frame spends on the
// back buffer before the flip (a fill, the full-screen picture, sprites and text).
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "shell/app_shell.h"
#include "gfx/bitmap.h"
#include "gfx/bob.h"
#include "gfx/display.h"
#include "gfx/text.h"
#include "host/headless/headless_host.h"

namespace {

// The display as the game sets it up: 800 x 600 x 8 with the back buffer clipped to it.
class GameDisplay {
 public:
  GameDisplay() {
    host::Install(&headless_);
    main_window = reinterpret_cast<HWND>(1);
    StartDisplay(800, 600, 8);
    RECT screen{0, 0, 800, 600};
    screen_clipper = AttachClipper(back_buffer, 1, &screen);
  }
  ~GameDisplay() {
    StopDisplay();
    host::Install(nullptr);
  }

 private:
  host::headless::HeadlessHost headless_;
};

// A 32 x 32 tank-like sprite: a ring of index 96 (never drawn) around a solid body.
void MakeSprite(BOB* bob, int x, int y) {
  BitmapFile sheet{};
  sheet.info_header.biWidth = 34;
  sheet.info_header.biHeight = 34;
  sheet.info_header.biBitCount = 8;
  sheet.pixels = static_cast<UCHAR*>(std::malloc(34 * 34));
  for (int row = 0; row < 34; row++)
    for (int col = 0; col < 34; col++) {
      bool edge = row < 5 || row > 28 || col < 5 || col > 28;
      sheet.pixels[row * 34 + col] = edge ? BOB_COLOUR_KEY : static_cast<UCHAR>(row + col);
    }
  CreateBob(bob, x, y, 32, 32, 1, BOB_VISIBLE | BOB_ONE_FRAME, DDSCAPS_SYSTEMMEMORY);
  LoadBobFrame(bob, &sheet, 0, 0, 0, LOAD_BY_CELL);
  UnloadBitmapFile(&sheet);
}

void FillBackBuffer(benchmark::State& state) {
  GameDisplay display;
  for (auto _ : state) FillSurface(back_buffer, 0);
  state.SetBytesProcessed(state.iterations() * 800 * 600);
}
BENCHMARK(FillBackBuffer)->Unit(benchmark::kMicrosecond);

void CopyFullScreenPicture(benchmark::State& state) {
  GameDisplay display;
  BitmapFile sheet{};
  sheet.info_header.biWidth = 800;
  sheet.info_header.biHeight = 600;
  sheet.info_header.biBitCount = 8;
  sheet.pixels = static_cast<UCHAR*>(std::malloc(800 * 600));
  for (int i = 0; i < 800 * 600; i++) sheet.pixels[i] = static_cast<UCHAR>(i * 7);
  Picture picture{};
  CreatePicture(&picture, 0, 0, 800, 600);
  LoadPicture(&picture, &sheet, 0, 0, LOAD_BY_PIXEL);
  for (auto _ : state) {
    LockBackBuffer();
    DrawPicture(&picture, back_pixels, back_pitch, 0);
    UnlockBackBuffer();
  }
  state.SetBytesProcessed(state.iterations() * 800 * 600);
  DestroyPicture(&picture);
  UnloadBitmapFile(&sheet);
}
BENCHMARK(CopyFullScreenPicture)->Unit(benchmark::kMicrosecond);

void DrawKeyedSprite(benchmark::State& state) {
  GameDisplay display;
  BOB bob{};
  MakeSprite(&bob, 300, 200);
  for (auto _ : state) benchmark::DoNotOptimize(DrawBob(&bob, back_buffer));
  DestroyBob(&bob);
}
BENCHMARK(DrawKeyedSprite);

void DrawScaledSprite(benchmark::State& state) {
  GameDisplay display;
  BOB bob{};
  MakeSprite(&bob, 300, 200);
  for (auto _ : state) benchmark::DoNotOptimize(DrawBobScaled(&bob, 25, 25, back_buffer));
  DestroyBob(&bob);
}
BENCHMARK(DrawScaledSprite);

void PrintTwentyCharacters(benchmark::State& state) {
  GameDisplay display;
  for (auto _ : state)
    benchmark::DoNotOptimize(
        PrintText("SCORE 0001234 LIVES8", 10, 580, RGB(0, 255, 0), back_buffer));
}
BENCHMARK(PrintTwentyCharacters);

}  // namespace
