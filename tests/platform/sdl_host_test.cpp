// The SDL host: page scaling without a window, and the host itself on SDL's
// dummy video and audio drivers (no display or sound card needed).
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

#include "platform/host/sdl_host.h"

namespace {

using host::FitPage;
using host::PageRect;
using host::PageScaler;

void ExpectRect(PageRect rect, int x, int y, int width, int height) {
  EXPECT_EQ(rect.x, x);
  EXPECT_EQ(rect.y, y);
  EXPECT_EQ(rect.width, width);
  EXPECT_EQ(rect.height, height);
}

TEST(PageFit, KeepsTheAspectAndCentres) {
  ExpectRect(FitPage(800, 600, 1024, 768), 0, 0, 1024, 768);
  ExpectRect(FitPage(800, 600, 1920, 1080), 240, 0, 1440,
             1080);  // bars left and right
  ExpectRect(FitPage(800, 600, 800, 1000), 0, 200, 800,
             600);  // bars top and bottom
  ExpectRect(FitPage(800, 600, 400, 300), 0, 0, 400, 300);
  PageRect none = FitPage(800, 600, 0, 0);  // a minimised window
  EXPECT_EQ(none.width * none.height, 0);
}

// Colours distinct from the indices, so a missed lookup shows.
std::vector<uint32_t> Colours() {
  std::vector<uint32_t> colours(256);
  for (int i = 0; i < 256; ++i) colours[i] = 0xFF000000u | (i * 0x010203u);
  return colours;
}

TEST(PageScaler, OneToOneHonoursBothPitchesAndLeavesPaddingAlone) {
  const int w = 5, h = 3, page_pitch = 8, target_pitch_px = 7;
  std::vector<uint8_t> page(page_pitch * h, 0xEE);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) page[y * page_pitch + x] = static_cast<uint8_t>(10 * y + x);
  std::vector<uint32_t> target(target_pitch_px * h, 0xDEADBEEF);
  auto colours = Colours();
  PageScaler scaler;
  scaler.Scale(page.data(), page_pitch, w, h, colours.data(), target.data(), target_pitch_px * 4, w,
               h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x)
      EXPECT_EQ(target[y * target_pitch_px + x], colours[10 * y + x]) << x << "," << y;
    for (int x = w; x < target_pitch_px; ++x)
      EXPECT_EQ(target[y * target_pitch_px + x], 0xDEADBEEF);
  }
}

// How much of the target each page pixel gets, in 256ths of a target pixel.
std::vector<int> Shares(const std::vector<PageScaler::Tap>& taps, int page_size) {
  std::vector<int> shares(page_size);
  for (const auto& tap : taps) {
    shares[tap.first] += 256 - static_cast<int>(tap.weight);
    shares[tap.second] += static_cast<int>(tap.weight);
  }
  return shares;
}

TEST(PageScaler, EveryPagePixelComesOutTheSameSize) {
  // Whole multiples and the usual screens: 800 x 600 into 1440 x 1080 (1.8), 2000 (2.5),
  // 1600 (2), 1366 (1.7); each page pixel must get the same share, none lost or doubled.
  for (auto [page, target] : {std::pair{800, 1440}, std::pair{800, 2000}, std::pair{800, 1600},
                              std::pair{600, 1080}, std::pair{800, 1366}, std::pair{7, 7}}) {
    auto taps = PageScaler::Taps(page, target);
    ASSERT_EQ(static_cast<int>(taps.size()), target);
    std::vector<int> shares = Shares(taps, page);
    const int even = 256 * target / page;
    for (int i = 0; i < page; ++i)
      ASSERT_NEAR(shares[i], even, 2) << page << " to " << target << ", pixel " << i;
    // Sharp: at least `whole` target pixels show a page pixel alone, and a blend only ever
    // mixes two neighbours.
    const int whole = target / page;
    std::vector<int> alone(page);
    for (const auto& tap : taps) {
      if (tap.weight == 0) {
        EXPECT_EQ(tap.first, tap.second);
        ++alone[tap.first];
      } else {
        EXPECT_EQ(tap.second, tap.first + 1);
      }
    }
    for (int i = 0; i < page; ++i) EXPECT_GE(alone[i], whole - 1) << page << " to " << target;
    if (target % page == 0) {
      EXPECT_TRUE(std::all_of(alone.begin(), alone.end(), [&](int n) { return n == whole; }));
    }
  }
}

TEST(PageScaler, SmallerThanThePageTakesTheNearestPixel) {
  auto taps = PageScaler::Taps(800, 300);
  for (int i = 0; i < 300; ++i) {
    EXPECT_EQ(taps[i].weight, 0u);
    EXPECT_EQ(taps[i].first, (2 * i + 1) * 800 / 600);
  }
}

TEST(PageScaler, BlendsEachChannelOfTheCoveredPixels) {
  // 2 x 2 into 3 x 3: the middle column and row straddle two page pixels half each, so the
  // centre is the mean of all four; the corners are the page's own colours.
  const std::vector<uint8_t> page = {0, 1, 2, 3};
  const std::vector<uint32_t> colours = {0xFF000000u, 0x00FF0000u, 0x0000FF00u, 0x000000FEu};
  std::vector<uint32_t> target(4 * 3, 0xDEADBEEF);  // pitch of 4 pixels
  PageScaler scaler;
  scaler.Scale(page.data(), 2, 2, 2, colours.data(), target.data(), 4 * 4, 3, 3);
  EXPECT_EQ(target[0], colours[0]);
  EXPECT_EQ(target[2], colours[1]);
  EXPECT_EQ(target[8], colours[2]);
  EXPECT_EQ(target[10], colours[3]);
  EXPECT_EQ(target[1], 0x7F7F0000u);  // top middle: 0 and 1 half each
  EXPECT_EQ(target[4], 0x7F007F00u);  // middle left: 0 and 2
  EXPECT_EQ(target[5], 0x3F3F3F3Fu);  // centre: a quarter of each
  EXPECT_EQ(target[3], 0xDEADBEEFu);  // past the rectangle: untouched
}

TEST(PageScaler, WithChangedRowsWritesOnlyTheRowsThatShowThem) {
  // 4 page rows into 7 target rows: page row 2 is seen by target rows 3 (blended with row 1),
  // 4 and 5 (blended with row 3).
  const int w = 3, ph = 4, th = 7;
  std::vector<uint8_t> page(w * ph);
  for (size_t i = 0; i < page.size(); ++i) page[i] = static_cast<uint8_t>(i);
  auto colours = Colours();
  std::vector<uint32_t> whole(w * th), part(w * th, 0xDEADBEEF);
  PageScaler scaler;
  scaler.Scale(page.data(), w, w, ph, colours.data(), whole.data(), w * 4, w, th);
  ASSERT_EQ(scaler.Written().size(), 1u);
  EXPECT_EQ(scaler.Written()[0].first, 0);
  EXPECT_EQ(scaler.Written()[0].end, th);

  const uint8_t changed[ph] = {0, 0, 1, 0};
  scaler.Scale(page.data(), w, w, ph, colours.data(), part.data(), w * 4, w, th, changed);
  std::vector<int> shown;
  auto taps = PageScaler::Taps(ph, th);
  for (int y = 0; y < th; ++y) {
    if (taps[y].first == 2 || taps[y].second == 2) shown.push_back(y);
    for (int x = 0; x < w; ++x) {
      bool in_run = !shown.empty() && shown.back() == y;
      EXPECT_EQ(part[y * w + x], in_run ? whole[y * w + x] : 0xDEADBEEF) << x << "," << y;
    }
  }
  EXPECT_EQ(shown, (std::vector<int>{3, 4, 5}));
  ASSERT_EQ(scaler.Written().size(), 1u);
  EXPECT_EQ(scaler.Written()[0].first, 3);
  EXPECT_EQ(scaler.Written()[0].end, 6);
}

TEST(PageScaler, ReusedScalerFollowsChangesOfEitherWidth) {
  std::vector<uint8_t> narrow = {1, 2, 3, 4};
  std::vector<uint8_t> wide = {1, 2, 3, 4, 5, 6, 7, 8};
  auto colours = Colours();
  auto scale = [&](PageScaler& scaler, const std::vector<uint8_t>& page, int width) {
    std::vector<uint32_t> target(width);
    int page_width = static_cast<int>(page.size());
    scaler.Scale(page.data(), page_width, page_width, 1, colours.data(), target.data(), width * 4,
                 width, 1);
    return target;
  };
  PageScaler reused;
  scale(reused, narrow, 8);
  for (auto [page, width] : {std::pair{&narrow, 2}, std::pair{&wide, 2}, std::pair{&wide, 8}}) {
    PageScaler fresh;
    EXPECT_EQ(scale(reused, *page, width), scale(fresh, *page, width))
        << page->size() << " to " << width;
  }
  EXPECT_EQ(scale(reused, wide, 8),
            (std::vector<uint32_t>(colours.begin() + 1, colours.begin() + 9)));
}

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

TEST(PicturesFolder, FollowsTheDesktopsChoiceThenHome) {
  namespace fs = std::filesystem;
  fs::path home = fs::temp_directory_path() / ("ferrowyn-home-" + std::to_string(getpid()));
  fs::create_directories(home / "config");
  const char* real_home = std::getenv("HOME");
  std::string kept_home = real_home ? real_home : "";
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
  unsetenv("XDG_PICTURES_DIR");
  EXPECT_EQ(host::PicturesFolder(), home / "Pictures");  // no user-dirs.dirs
  std::ofstream(home / "config" / "user-dirs.dirs")
      << "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
         "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n";
  EXPECT_EQ(host::PicturesFolder(), home / "Bilder");
  setenv("XDG_PICTURES_DIR", "/srv/shots", 1);
  EXPECT_EQ(host::PicturesFolder(), fs::path("/srv/shots"));
  unsetenv("XDG_PICTURES_DIR");
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", kept_home.c_str(), 1);
  fs::remove_all(home);
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
