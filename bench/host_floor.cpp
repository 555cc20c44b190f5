// What the desktop host costs a frame with no game in it: the SDL host as the game opens it
// (the window as the settings say, full screen at first; the sound device, here pulling
// silence), and each 22 ms frame a pump, a page in which only a small square moves, presented
// with the places it changed in, and the game's frame wait (sleep all but the last two
// milliseconds, then to the tick). Prints the CPU the process used over that time, every
// thread's, as scripts/measure-play does for the game: what play costs above it is the game's.
// With --whole-page, each frame also fills the whole page and copies a backdrop over it, as
// the game's frames do, and hands the whole page down as changed.
//
//   ferrowyn_host_floor SECONDS [--whole-page]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/sdl/sdl_host.h"

namespace {

constexpr int kWidth = 800, kHeight = 600, kSquare = 32;
constexpr uint32_t kFrameMs = 22;

class Silence : public host::AudioSource {
 public:
  void Mix(int16_t* stereo, size_t frames) override { std::memset(stereo, 0, frames * 4); }
};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  const long seconds = argc >= 2 ? std::strtol(argv[1], nullptr, 10) : 0;
  const bool whole_page = argc == 3 && std::strcmp(argv[2], "--whole-page") == 0;
  if (seconds <= 0 || seconds > 3600 || argc > 3 || (argc == 3 && !whole_page)) {
    std::fprintf(stderr, "usage: ferrowyn_host_floor SECONDS (1 to 3600) [--whole-page]\n");
    return 2;
  }
  host::sdl::SdlHost sdl;
  host::Install(&sdl);
  if (!sdl.OpenWindow("Ferrowyn host floor", kWidth, kHeight)) return 1;
  Silence silence;
  if (sdl.AudioRate() > 0) sdl.SetAudioSource(&silence);

  std::vector<uint8_t> backdrop(kWidth * kHeight), page(kWidth * kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) backdrop[y * kWidth + x] = static_cast<uint8_t>(x / 8 + y / 8);
  page = backdrop;
  std::vector<host::Rgb> palette(256);
  for (int i = 0; i < 256; ++i)
    palette[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                  static_cast<uint8_t>(i * 3)};

  const auto start = std::chrono::steady_clock::now();
  const double cpu_start = CpuSeconds();
  int square_x = 0;
  std::vector<host::Rect> changed;
  for (uint32_t frames = 0;
       std::chrono::steady_clock::now() - start < std::chrono::seconds(seconds); ++frames) {
    const uint32_t frame_start = sdl.Ticks();
    if (sdl.PumpEvents()) break;
    // The square moves two pixels a frame along a row: where it was and where it is now.
    const int from = square_x;
    square_x = (square_x + 2) % (kWidth - kSquare);
    if (whole_page) {
      std::memset(page.data(), 0, page.size());
      asm volatile("" : : "r"(page.data()) : "memory");  // the fill is not to be left out
      std::memcpy(page.data(), backdrop.data(), page.size());
      changed.assign(1, {0, 0, kWidth, kHeight});
    } else {
      for (int y = 100; y < 100 + kSquare; ++y)
        std::memcpy(&page[y * kWidth + from], &backdrop[y * kWidth + from], kSquare);
      changed.assign(
          1, {std::min(from, square_x), 100, std::max(from, square_x) + kSquare, 100 + kSquare});
    }
    for (int y = 100; y < 100 + kSquare; ++y)
      std::memset(&page[y * kWidth + square_x], static_cast<int>(frames % 256), kSquare);
    sdl.Present(page.data(), kWidth, kWidth, kHeight, palette.data(), &changed);
    // The game's frame wait.
    for (uint32_t elapsed; (elapsed = sdl.Ticks() - frame_start) < kFrameMs;) {
      const uint32_t left = kFrameMs - elapsed;
      sdl.Sleep(left > 2 ? left - 2 : 0);
    }
  }
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = CpuSeconds() - cpu_start;
  sdl.SetAudioSource(nullptr);
  std::printf("CPU %.2f %% of one core (%.2f s user+system in %.1f s)\n", 100 * cpu / wall, cpu,
              wall);
  return 0;
}
