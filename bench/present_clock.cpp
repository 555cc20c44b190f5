// Loaded into the real game with LD_PRELOAD by scripts/measure-play: notes the moment of every
// window update (each one a frame the player sees) and, when the game ends, writes them to the
// file named by FERROWYN_PRESENT_LOG, one a line: the moment in microseconds and the pixels
// the update sent (-1 where the GPU path presents, which does not say). The game itself knows
// nothing of it.
#include <SDL.h>
#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

class PresentClock {
 public:
  PresentClock() { presents_.reserve(1 << 16); }
  ~PresentClock() {
    const char* path = std::getenv("FERROWYN_PRESENT_LOG");
    if (!path) return;
    if (FILE* file = std::fopen(path, "w")) {
      for (const Present& present : presents_)
        std::fprintf(file, "%lld %lld\n", present.time, present.pixels);
      std::fclose(file);
    }
  }
  void Note(long long pixels) {
    // Wall-clock time, so a script can match it with `date +%s%6N`.
    auto now = std::chrono::system_clock::now().time_since_epoch();
    presents_.push_back(
        {std::chrono::duration_cast<std::chrono::microseconds>(now).count(), pixels});
  }

 private:
  struct Present {
    long long time;
    long long pixels;
  };
  std::vector<Present> presents_;
};

PresentClock& Clock() {
  static PresentClock clock;
  return clock;
}

template <typename Function>
Function Next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int SDL_UpdateWindowSurface(SDL_Window* window) {
  static auto next = Next<int (*)(SDL_Window*)>("SDL_UpdateWindowSurface");
  int width = 0, height = 0;
  SDL_GetWindowSize(window, &width, &height);
  Clock().Note(static_cast<long long>(width) * height);
  return next(window);
}

extern "C" int SDL_UpdateWindowSurfaceRects(SDL_Window* window, const SDL_Rect* rects, int count) {
  static auto next =
      Next<int (*)(SDL_Window*, const SDL_Rect*, int)>("SDL_UpdateWindowSurfaceRects");
  long long pixels = 0;
  for (int i = 0; i < count; ++i) pixels += static_cast<long long>(rects[i].w) * rects[i].h;
  Clock().Note(pixels);
  return next(window, rects, count);
}

// The GPU path shows its pages here instead.
extern "C" void SDL_RenderPresent(SDL_Renderer* renderer) {
  static auto next = Next<void (*)(SDL_Renderer*)>("SDL_RenderPresent");
  Clock().Note(-1);
  next(renderer);
}
