// The SDL host on SDL's dummy video and audio drivers (no display or sound card needed).
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/host/page_scaler.h"
#include "platform/host/sdl_host.h"

namespace {

using host::FitPage;
using host::PageRect;

// The host itself, on SDL's dummy drivers.
class SdlHostTest : public testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
  }

  void Key(SDL_Scancode scancode, bool down, Uint16 mod = KMOD_NONE) {
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.scancode = scancode;
    event.key.keysym.mod = mod;
    SDL_PushEvent(&event);
  }

  Uint32 SurfacePixel(int x, int y) {
    SDL_Surface* surface = SDL_GetWindowSurface(sdl.Window());
    EXPECT_EQ(surface->format->BytesPerPixel, 4);
    return *reinterpret_cast<Uint32*>(static_cast<uint8_t*>(surface->pixels) + y * surface->pitch +
                                      x * 4);
  }

  Uint32 Mapped(const host::Rgb& rgb) {
    SDL_Surface* surface = SDL_GetWindowSurface(sdl.Window());
    return SDL_MapRGB(surface->format, rgb.r, rgb.g, rgb.b);
  }

  host::SdlHost sdl;
};

TEST_F(SdlHostTest, KeysArriveByDirectInputScanCode) {
  ASSERT_TRUE(sdl.OpenWindow("Ferrowyn v1.0", 800, 600));
  const std::pair<SDL_Scancode, uint8_t> keys[] = {
      {SDL_SCANCODE_ESCAPE, 0x01}, {SDL_SCANCODE_0, 0x0B},     {SDL_SCANCODE_Q, 0x10},
      {SDL_SCANCODE_RETURN, 0x1C}, {SDL_SCANCODE_LCTRL, 0x1D}, {SDL_SCANCODE_SPACE, 0x39},
      {SDL_SCANCODE_F10, 0x44},    {SDL_SCANCODE_F12, 0x58},   {SDL_SCANCODE_KP_ENTER, 0x9C},
      {SDL_SCANCODE_RCTRL, 0x9D},  {SDL_SCANCODE_UP, 0xC8},    {SDL_SCANCODE_LEFT, 0xCB},
      {SDL_SCANCODE_RIGHT, 0xCD},  {SDL_SCANCODE_DOWN, 0xD0},  {SDL_SCANCODE_DELETE, 0xD3}};
  for (auto [scancode, dik] : keys) {
    Key(scancode, true);
    EXPECT_FALSE(sdl.PumpEvents());
    EXPECT_TRUE(sdl.KeyDown(dik)) << SDL_GetScancodeName(scancode);
    Key(scancode, false);
    sdl.PumpEvents();
    EXPECT_FALSE(sdl.KeyDown(dik)) << SDL_GetScancodeName(scancode);
  }

  // A tap that starts and ends between two pumps is seen for one pump, then let go.
  Key(SDL_SCANCODE_SPACE, true);
  Key(SDL_SCANCODE_SPACE, false);
  sdl.PumpEvents();
  EXPECT_TRUE(sdl.KeyDown(0x39));
  sdl.PumpEvents();
  EXPECT_FALSE(sdl.KeyDown(0x39));
  // Tapped and pressed again: still held after the next pump.
  Key(SDL_SCANCODE_SPACE, true);
  Key(SDL_SCANCODE_SPACE, false);
  Key(SDL_SCANCODE_SPACE, true);
  sdl.PumpEvents();
  sdl.PumpEvents();
  EXPECT_TRUE(sdl.KeyDown(0x39));
}

TEST_F(SdlHostTest, AltEnterIsTheHostsAndFocusLossReleasesKeys) {
  ASSERT_TRUE(sdl.OpenWindow("Ferrowyn v1.0", 800, 600));
  Key(SDL_SCANCODE_RETURN, true, KMOD_LALT);
  sdl.PumpEvents();
  EXPECT_FALSE(sdl.KeyDown(0x1C));
  EXPECT_FALSE(SDL_GetWindowFlags(sdl.Window()) & SDL_WINDOW_FULLSCREEN);  // now in a window

  Key(SDL_SCANCODE_SPACE, true);
  Key(SDL_SCANCODE_UP, true);
  sdl.PumpEvents();
  ASSERT_TRUE(sdl.KeyDown(0x39));
  SDL_Event focus{};
  focus.type = SDL_WINDOWEVENT;
  focus.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
  focus.window.windowID = SDL_GetWindowID(sdl.Window());
  SDL_PushEvent(&focus);
  sdl.PumpEvents();
  EXPECT_FALSE(sdl.KeyDown(0x39));
  EXPECT_FALSE(sdl.KeyDown(0xC8));
}

TEST_F(SdlHostTest, PageIsScaledIntoTheWindowAndRedrawnAfterAResize) {
  ASSERT_TRUE(sdl.OpenWindow("Ferrowyn v1.0", 800, 600));
  std::vector<uint8_t> page(800 * 600, 1);
  page[0] = 2;
  page[800 * 600 - 1] = 3;
  host::Rgb palette[256] = {};
  palette[1] = {200, 100, 50};
  palette[2] = {255, 0, 0};
  palette[3] = {0, 0, 255};
  sdl.Present(page.data(), 800, 800, 600, palette);

  SDL_Surface* surface = SDL_GetWindowSurface(sdl.Window());
  int w = surface->w, h = surface->h;
  PageRect rect = FitPage(800, 600, w, h);
  EXPECT_EQ(SurfacePixel(rect.x, rect.y), Mapped(palette[2]));
  EXPECT_EQ(SurfacePixel(rect.x + rect.width - 1, rect.y + rect.height - 1), Mapped(palette[3]));
  EXPECT_EQ(SurfacePixel(w / 2, h / 2), Mapped(palette[1]));

  // A palette change alone shows at once.
  palette[1] = {10, 220, 30};
  sdl.Present(page.data(), 800, 800, 600, palette);
  EXPECT_EQ(SurfacePixel(w / 2, h / 2), Mapped(palette[1]));

  // One changed row shows; the rest stay as they were.
  std::fill(page.begin() + 300 * 800, page.begin() + 301 * 800, 3);
  sdl.Present(page.data(), 800, 800, 600, palette);
  int row = rect.y + (300 * rect.height + rect.height / 2) / 600;
  EXPECT_EQ(SurfacePixel(w / 2, row), Mapped(palette[3]));
  EXPECT_EQ(SurfacePixel(w / 2, h / 4), Mapped(palette[1]));

  // Windowed and wider than the page: black bars, and the kept page drawn again
  // unasked.
  Key(SDL_SCANCODE_F11, true);
  sdl.PumpEvents();
  SDL_SetWindowSize(sdl.Window(), 1000, 600);
  sdl.PumpEvents();
  surface = SDL_GetWindowSurface(sdl.Window());
  ASSERT_EQ(surface->w, 1000);
  EXPECT_EQ(SurfacePixel(50, 300), Mapped({0, 0, 0}));
  EXPECT_EQ(SurfacePixel(950, 300), Mapped({0, 0, 0}));
  EXPECT_EQ(SurfacePixel(100, 0), Mapped(palette[2]));
  EXPECT_EQ(SurfacePixel(500, 200), Mapped(palette[1]));
  EXPECT_EQ(SurfacePixel(500, 300), Mapped(palette[3]));
}

TEST_F(SdlHostTest, PrintScreenSavesTheVisiblePage) {
  namespace fs = std::filesystem;
  fs::path folder = fs::temp_directory_path() / ("ferrowyn-shots-" + std::to_string(getpid()));
  fs::remove_all(folder);
  setenv("XDG_PICTURES_DIR", folder.c_str(), 1);
  ASSERT_TRUE(sdl.OpenWindow("Ferrowyn v1.0", 800, 600));
  std::vector<uint8_t> page(800 * 600, 7);
  host::Rgb palette[256] = {};
  sdl.Present(page.data(), 800, 800, 600, palette);
  Key(SDL_SCANCODE_PRINTSCREEN, true);
  Key(SDL_SCANCODE_PRINTSCREEN, false);
  Key(SDL_SCANCODE_PRINTSCREEN,
      true);  // a second shot in the same second gets its own file
  sdl.PumpEvents();

  std::vector<fs::path> shots;
  for (const auto& entry : fs::directory_iterator(folder)) shots.push_back(entry.path());
  ASSERT_EQ(shots.size(), 2u);
  for (const auto& shot : shots) {
    EXPECT_EQ(shot.filename().string().rfind("ferrowyn-", 0), 0u) << shot;
    EXPECT_EQ(shot.extension(), ".png");
    std::ifstream file(shot, std::ios::binary);
    char signature[4] = {};
    file.read(signature, 4);
    EXPECT_EQ(std::string(signature + 1, 3), "PNG");
  }
  fs::remove_all(folder);
  unsetenv("XDG_PICTURES_DIR");
}

class CountingSource : public host::AudioSource {
 public:
  void Mix(int16_t* stereo, size_t frames) override {
    for (size_t i = 0; i < frames * 2; ++i) stereo[i] = 1000;
    calls++;
  }
  std::atomic<int> calls{0};
};

TEST_F(SdlHostTest, AudioDevicePullsTheSourceUntilItIsSwappedOut) {
  int rate = sdl.AudioRate();
  ASSERT_TRUE(rate == 44100 || rate == 48000) << rate;
  CountingSource source;
  sdl.SetAudioSource(&source);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (source.calls < 2 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_GE(source.calls, 2);
  // Once the swap returns the old source is never called again, so it may be
  // destroyed.
  sdl.SetAudioSource(nullptr);
  int calls = source.calls;
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_EQ(source.calls, calls);
}

}  // namespace
