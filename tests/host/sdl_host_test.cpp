// The SDL host on SDL's dummy video and audio drivers (no display or sound card needed).
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "host/common/page_scaler.h"
#include "host/sdl/sdl_host.h"
#include "host/sdl/sdl_notices.h"

namespace {

using host::common::FitPage;
using host::common::PageRect;

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

  void Focus(Uint8 what) {
    SDL_Event focus{};
    focus.type = SDL_WINDOWEVENT;
    focus.window.event = what;
    focus.window.windowID = SDL_GetWindowID(sdl.Window());
    SDL_PushEvent(&focus);
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

  host::sdl::SdlHost sdl;
};

// Right Ctrl lays mines like Left Ctrl: both are bound to the mine key, which the game knows
// as LCONTROL.
TEST_F(SdlHostTest, KeysArriveByDirectInputScanCode) {
  ASSERT_TRUE(sdl.OpenWindow("Ferrowyn v1.0", 800, 600));
  const std::pair<SDL_Scancode, uint8_t> keys[] = {
      {SDL_SCANCODE_ESCAPE, 0x01}, {SDL_SCANCODE_0, 0x0B},     {SDL_SCANCODE_Q, 0x10},
      {SDL_SCANCODE_RETURN, 0x1C}, {SDL_SCANCODE_LCTRL, 0x1D}, {SDL_SCANCODE_SPACE, 0x39},
      {SDL_SCANCODE_F10, 0x44},    {SDL_SCANCODE_F12, 0x58},   {SDL_SCANCODE_KP_ENTER, 0x9C},
      {SDL_SCANCODE_RCTRL, 0x1D},  {SDL_SCANCODE_UP, 0xC8},    {SDL_SCANCODE_LEFT, 0xCB},
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
  // Gone and back within one pump: the pause it causes is over before the pump returns.
  Focus(SDL_WINDOWEVENT_FOCUS_LOST);
  Focus(SDL_WINDOWEVENT_FOCUS_GAINED);
  sdl.PumpEvents();
  EXPECT_FALSE(sdl.KeyDown(0x39));
  EXPECT_FALSE(sdl.KeyDown(0xC8));
  EXPECT_FALSE(sdl.Paused());
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
  sdl.Present(page.data(), 800, 800, 600, palette, nullptr);

  SDL_Surface* surface = SDL_GetWindowSurface(sdl.Window());
  int w = surface->w, h = surface->h;
  PageRect rect = FitPage(800, 600, w, h);
  EXPECT_EQ(SurfacePixel(rect.x, rect.y), Mapped(palette[2]));
  EXPECT_EQ(SurfacePixel(rect.x + rect.width - 1, rect.y + rect.height - 1), Mapped(palette[3]));
  EXPECT_EQ(SurfacePixel(w / 2, h / 2), Mapped(palette[1]));

  // A palette change alone shows at once.
  palette[1] = {10, 220, 30};
  sdl.Present(page.data(), 800, 800, 600, palette, nullptr);
  EXPECT_EQ(SurfacePixel(w / 2, h / 2), Mapped(palette[1]));

  // One changed row shows; the rest stay as they were.
  std::fill(page.begin() + 300 * 800, page.begin() + 301 * 800, 3);
  sdl.Present(page.data(), 800, 800, 600, palette, nullptr);
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
  sdl.Present(page.data(), 800, 800, 600, palette, nullptr);
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

// Runs `then` on another thread after `ms`, while the test's thread sits in a pump.
std::thread After(int ms, std::function<void()> then) {
  return std::thread([ms, then] {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    then();
  });
}

// A pump that is paused waits there, so no frame runs, until play goes on.
double SecondsIn(host::sdl::SdlHost& sdl, bool* close = nullptr) {
  auto start = std::chrono::steady_clock::now();
  bool closing = sdl.PumpEvents();
  if (close) *close = closing;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class SdlHostConfigured : public SdlHostTest {
 protected:
  void Start(host::sdl::SdlConfig config) {
    configured = std::make_unique<host::sdl::SdlHost>(std::move(config));
    ASSERT_TRUE(configured->OpenWindow("Ferrowyn v1.0", 800, 600));
  }
  std::unique_ptr<host::sdl::SdlHost> configured;
};

// A window fits the desktop (the dummy driver's is 1024x768) without that becoming the
// player's size; one the player sized comes back from full screen as it was.
TEST_F(SdlHostConfigured, WindowsFitTheDesktopAndKeepThePlayersSize) {
  auto size = [](SDL_Window* window) {
    int w = 0, h = 0;
    SDL_GetWindowSize(window, &w, &h);
    return std::pair(w, h);
  };
  host::sdl::SdlConfig config;
  config.settings.fullscreen = false;
  config.settings.window_width = 1600;
  config.settings.window_height = 1200;
  Start(config);
  configured->PumpEvents();
  EXPECT_EQ(size(configured->Window()), std::pair(1024, 768));
  EXPECT_EQ(configured->CurrentSettings().window_width, 1600);

  config.settings.window_width = 1000;
  config.settings.window_height = 750;
  Start(config);
  configured->PumpEvents();
  ASSERT_EQ(size(configured->Window()), std::pair(1000, 750));
  Key(SDL_SCANCODE_F11, true);
  Key(SDL_SCANCODE_F11, false);
  configured->PumpEvents();
  EXPECT_TRUE(configured->CurrentSettings().fullscreen);
  Key(SDL_SCANCODE_F11, true);
  Key(SDL_SCANCODE_F11, false);
  configured->PumpEvents();
  EXPECT_FALSE(configured->CurrentSettings().fullscreen);
  EXPECT_EQ(size(configured->Window()), std::pair(1000, 750));
  EXPECT_EQ(configured->CurrentSettings().window_width, 1000);
  EXPECT_EQ(configured->CurrentSettings().window_height, 750);

  // The player's own size is kept.
  SDL_SetWindowSize(configured->Window(), 900, 700);
  configured->PumpEvents();
  EXPECT_EQ(configured->CurrentSettings().window_width, 900);
  EXPECT_EQ(configured->CurrentSettings().window_height, 700);
}

TEST_F(SdlHostConfigured, BoundKeysGiveTheGamesKeysAndThePauseKeyHoldsThePump) {
  host::sdl::SdlConfig config;
  config.settings.keys[size_t(host::common::Action::kFire)] = {0x21};  // F
  Start(config);
  host::sdl::SdlHost& h = *configured;
  Key(SDL_SCANCODE_F, true);
  Key(SDL_SCANCODE_SPACE, true);
  h.PumpEvents();
  EXPECT_TRUE(h.KeyDown(0x39));   // the game's fire key, from F
  EXPECT_FALSE(h.KeyDown(0x21));  // F itself is not seen
  Key(SDL_SCANCODE_F, false);
  h.PumpEvents();
  EXPECT_FALSE(h.KeyDown(0x39));  // and Space no longer fires

  std::vector<uint8_t> page(800 * 600, 1);
  host::Rgb palette[256] = {};
  palette[1] = {40, 40, 40};
  h.Present(page.data(), 800, 800, 600, palette, nullptr);
  Key(SDL_SCANCODE_P, true);
  Key(SDL_SCANCODE_P, false);
  std::thread resume = After(300, [this] {
    Key(SDL_SCANCODE_P, true);
    Key(SDL_SCANCODE_P, false);
  });
  EXPECT_GE(SecondsIn(h), 0.25);
  resume.join();
  EXPECT_FALSE(h.Paused());
  EXPECT_FALSE(h.KeyDown(0x19));  // the pause key is the host's, not the game's
}

TEST_F(SdlHostConfigured, LosingTheFocusPausesUntilItComesBackUnlessSwitchedOff) {
  Start({});
  Focus(SDL_WINDOWEVENT_FOCUS_LOST);
  std::thread back = After(300, [this] { Focus(SDL_WINDOWEVENT_FOCUS_GAINED); });
  EXPECT_GE(SecondsIn(*configured), 0.25);
  back.join();
  EXPECT_FALSE(configured->Paused());

  host::sdl::SdlConfig playing_on;
  playing_on.settings.pause_on_focus_loss = false;
  Start(playing_on);
  Focus(SDL_WINDOWEVENT_FOCUS_LOST);
  EXPECT_LT(SecondsIn(*configured), 0.2);
  EXPECT_FALSE(configured->Paused());
}

// A pad SDL knows, made by SDL itself; its device index, or -1.
int AttachVirtualPad() {
  SDL_Init(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER);
  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  desc.naxes = SDL_CONTROLLER_AXIS_MAX;
  desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
  desc.name = "Test Pad";
  return SDL_JoystickAttachVirtualEx(&desc);
}

// A pad SDL knows, made by SDL itself: the stick and d-pad drive, south fires, east lays a
// mine, Start starts a game on the title and pauses in play, Back held for a second quits.
TEST_F(SdlHostConfigured, APadAlonePlaysAWholeSession) {
  const int device = AttachVirtualPad();
  ASSERT_GE(device, 0) << SDL_GetError();
  bool in_play = false;
  host::sdl::SdlConfig config;
  config.in_play = [&in_play] { return in_play; };
  Start(config);
  host::sdl::SdlHost& h = *configured;
  h.PumpEvents();
  SDL_Joystick* pad = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(device));
  ASSERT_NE(pad, nullptr);
  auto button = [&](SDL_GameControllerButton b, bool down) {
    SDL_JoystickSetVirtualButton(pad, b, down);
    SDL_JoystickUpdate();
  };

  host::Joystick stick = h.ReadJoystick();
  EXPECT_TRUE(stick.present);
  SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, 32767);
  button(SDL_CONTROLLER_BUTTON_A, true);
  button(SDL_CONTROLLER_BUTTON_B, true);
  h.PumpEvents();
  stick = h.ReadJoystick();
  EXPECT_EQ(stick.axis_x, 32767);
  EXPECT_EQ(stick.buttons[0], 0x80);
  EXPECT_EQ(stick.buttons[1], 0x80);
  SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, 0);
  button(SDL_CONTROLLER_BUTTON_A, false);
  button(SDL_CONTROLLER_BUTTON_B, false);
  button(SDL_CONTROLLER_BUTTON_DPAD_UP, true);
  h.PumpEvents();
  stick = h.ReadJoystick();
  EXPECT_EQ(stick.axis_y, -32767);
  EXPECT_EQ(stick.buttons[0], 0);
  button(SDL_CONTROLLER_BUTTON_DPAD_UP, false);

  // Start on the title: F1 for one pump.
  button(SDL_CONTROLLER_BUTTON_START, true);
  button(SDL_CONTROLLER_BUTTON_START, false);
  h.PumpEvents();
  EXPECT_TRUE(h.KeyDown(0x3B));
  h.PumpEvents();
  EXPECT_FALSE(h.KeyDown(0x3B));

  // Start in play: a pause, until Start again.
  in_play = true;
  button(SDL_CONTROLLER_BUTTON_START, true);
  std::thread again = After(300, [&] {
    button(SDL_CONTROLLER_BUTTON_START, false);
    button(SDL_CONTROLLER_BUTTON_START, true);
  });
  EXPECT_GE(SecondsIn(h), 0.25);
  again.join();
  button(SDL_CONTROLLER_BUTTON_START, false);
  EXPECT_FALSE(h.KeyDown(0x3B));

  // Back: a tap does nothing, held for a second it asks to close.
  button(SDL_CONTROLLER_BUTTON_BACK, true);
  EXPECT_FALSE(h.PumpEvents());
  EXPECT_FALSE(h.PumpEvents());
  std::this_thread::sleep_for(std::chrono::milliseconds(1050));
  EXPECT_TRUE(h.PumpEvents());
  SDL_JoystickDetachVirtual(device);
}

// The menu opens with the pause and takes the keys by their place: Controls, Fire, then F
// binds F; Escape climbs back out and never reaches the game. The change is handed to the
// program at once.
TEST_F(SdlHostConfigured, TheMenuRebindsFireWithAKeyAndEscapeStaysInIt) {
  std::vector<host::common::Settings> told;
  host::sdl::SdlConfig config;
  config.settings_changed = [&told](const host::common::Settings& s) { told.push_back(s); };
  Start(config);
  host::sdl::SdlHost& h = *configured;
  auto tap = [this](SDL_Scancode key) {
    Key(key, true);
    Key(key, false);
  };
  tap(SDL_SCANCODE_P);
  for (int i = 0; i < 3; ++i) tap(SDL_SCANCODE_DOWN);  // Sound, Display, Controls
  tap(SDL_SCANCODE_RETURN);
  for (int i = 0; i < 4; ++i) tap(SDL_SCANCODE_DOWN);  // up, down, left, right, fire
  tap(SDL_SCANCODE_SPACE);
  tap(SDL_SCANCODE_F);
  tap(SDL_SCANCODE_ESCAPE);  // to the top
  tap(SDL_SCANCODE_ESCAPE);  // and out
  EXPECT_FALSE(h.PumpEvents());
  EXPECT_FALSE(h.Paused());
  EXPECT_FALSE(h.KeyDown(0x01));  // Escape was the menu's
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].keys[size_t(host::common::Action::kFire)], std::vector<uint8_t>{0x21});
  EXPECT_EQ(h.CurrentSettings(), told[0]);

  Key(SDL_SCANCODE_SPACE, true);
  Key(SDL_SCANCODE_F, true);
  h.PumpEvents();
  EXPECT_FALSE(h.KeyDown(0x21));
  EXPECT_TRUE(h.KeyDown(0x39));  // the game's fire key, from F alone
  Key(SDL_SCANCODE_F, false);
  h.PumpEvents();
  EXPECT_FALSE(h.KeyDown(0x39));
}

// The pad alone: Start opens the menu in play, the d-pad moves, south chooses, a button binds,
// east climbs out; Quit asks first, and Enter then ends the game.
TEST_F(SdlHostConfigured, APadDrivesTheMenuAndQuitAsksFirst) {
  const int device = AttachVirtualPad();
  ASSERT_GE(device, 0) << SDL_GetError();
  host::sdl::SdlConfig config;
  config.in_play = [] { return true; };
  Start(config);
  host::sdl::SdlHost& h = *configured;
  h.PumpEvents();
  const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(device);
  auto press = [id](SDL_GameControllerButton b) {
    for (bool down : {true, false}) {
      SDL_Event event{};
      event.type = down ? SDL_CONTROLLERBUTTONDOWN : SDL_CONTROLLERBUTTONUP;
      event.cbutton.which = id;
      event.cbutton.button = Uint8(b);
      SDL_PushEvent(&event);
    }
  };
  auto stick_down = [id] {
    for (Sint16 value : {Sint16(30000), Sint16(31000), Sint16(0)}) {  // held: one press
      SDL_Event event{};
      event.type = SDL_CONTROLLERAXISMOTION;
      event.caxis.which = id;
      event.caxis.axis = SDL_CONTROLLER_AXIS_LEFTY;
      event.caxis.value = value;
      SDL_PushEvent(&event);
    }
  };
  press(SDL_CONTROLLER_BUTTON_START);
  stick_down();                            // Sound
  press(SDL_CONTROLLER_BUTTON_DPAD_DOWN);  // Display
  press(SDL_CONTROLLER_BUTTON_DPAD_DOWN);  // Controls
  press(SDL_CONTROLLER_BUTTON_A);
  for (int i = 0; i < 4; ++i) stick_down();  // fire
  press(SDL_CONTROLLER_BUTTON_A);
  press(SDL_CONTROLLER_BUTTON_Y);  // north fires now
  press(SDL_CONTROLLER_BUTTON_B);
  press(SDL_CONTROLLER_BUTTON_B);
  EXPECT_FALSE(h.PumpEvents());
  EXPECT_FALSE(h.Paused());
  EXPECT_EQ(h.CurrentSettings().pad[size_t(host::common::PadAction::kFire)],
            std::vector<host::common::PadButton>{host::common::PadButton::kNorth});
  SDL_Joystick* pad = SDL_JoystickFromInstanceID(id);
  SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_Y, 1);
  SDL_JoystickUpdate();
  EXPECT_EQ(h.ReadJoystick().buttons[0], 0x80);
  SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_Y, 0);
  SDL_JoystickUpdate();

  press(SDL_CONTROLLER_BUTTON_START);
  press(SDL_CONTROLLER_BUTTON_DPAD_UP);  // Quit
  press(SDL_CONTROLLER_BUTTON_A);
  Key(SDL_SCANCODE_RETURN, true);
  EXPECT_TRUE(h.PumpEvents());
  EXPECT_FALSE(h.Paused());
  SDL_JoystickDetachVirtual(device);
}

// A line shows for its time on the host's clock, even where that clock wraps; "PAUSED" shows
// for as long as the pause lasts.
TEST(SdlNotices, ALineShowsForItsTimeAndThePauseForItsOwn) {
  host::common::PauseState pause;
  host::sdl::Notices notices(&pause);
  EXPECT_FALSE(notices.Any());
  const uint32_t said = 0xFFFFFFFFu - 1000;
  notices.Say("saved ferrowyn.png", said);
  EXPECT_TRUE(notices.Any());
  EXPECT_FALSE(notices.Expire(said + 10));
  EXPECT_FALSE(notices.Expire(said + host::sdl::Notices::kNoticeMs - 1));
  EXPECT_TRUE(notices.Expire(said + host::sdl::Notices::kNoticeMs));
  EXPECT_FALSE(notices.Any());
  EXPECT_FALSE(notices.Expire(said + host::sdl::Notices::kNoticeMs + 1));  // gone once
  pause.Toggle();
  EXPECT_TRUE(notices.Any());
}

// A label ("REPLAY") stands over the top of the picture all along, in white.
TEST(SdlNotices, ALabelStandsAtTheTop) {
  host::common::PauseState pause;
  host::sdl::Notices labelled(&pause, nullptr, "REPLAY");
  EXPECT_TRUE(labelled.Any());
  SDL_PixelFormat* format = SDL_AllocFormat(SDL_PIXELFORMAT_XRGB8888);
  std::vector<uint32_t> picture(800 * 600, 0);
  labelled.Draw(format, picture.data(), 800 * 4, 800, 600);
  auto white_in = [&](int first_row, int end_row) {
    return std::count(picture.begin() + first_row * 800, picture.begin() + end_row * 800,
                      0xFFFFFFu);
  };
  EXPECT_GT(white_in(0, 60), 50);
  EXPECT_EQ(white_in(60, 600), 0);
  SDL_FreeFormat(format);
}

// With no display SDL would make an invisible window; the game must say so instead.
TEST(SdlHostNoDisplay, RefusesAWindowNobodyCanSee) {
  const char* display = std::getenv("DISPLAY");
  const std::string kept = display ? display : "";
  unsetenv("SDL_VIDEODRIVER");
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  {
    host::sdl::SdlHost sdl;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(sdl.OpenWindow("Ferrowyn v1.0", 800, 600));
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("ferrowyn: no display to show the game on"), std::string::npos) << said;
  }
  if (!kept.empty()) setenv("DISPLAY", kept.c_str(), 1);
}

}  // namespace
