// The game's own frame on the headless host: a busy playing frame (every pool full, both
// pick-ups, with and without the debug overlay) and start-up with all twelve data files.
// The frame lock runs on the host's virtual clock, so it costs a few clock reads only.
#include <benchmark/benchmark.h>

#include <windows.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <vector>

#include "app/app.h"
#include "game/world.h"
#include "shell/app_shell.h"
#include "shell/random.h"
#include "host/headless/headless_host.h"
#include "host/sdl/sdl_host.h"

namespace {

// Runs with the data folder as the current one, as the game expects, and a window to bind to.
class GameFolder {
 public:
  GameFolder() : previous_(std::filesystem::current_path()) {
    host::Install(&headless_);
    std::filesystem::current_path(FERROWYN_DATA_DIR);
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.lpszClassName = "FERROWYNBENCH";
    RegisterClassA(&window_class);  // refused as a duplicate by the second benchmark: fine
    main_window = CreateWindowExA(0, "FERROWYNBENCH", "bench", WS_POPUP, 0, 0, 800, 600, nullptr,
                                  nullptr, nullptr, nullptr);
  }
  ~GameFolder() {
    DestroyWindow(main_window);
    std::filesystem::current_path(previous_);
    host::Install(nullptr);
  }

 private:
  host::headless::HeadlessHost headless_;
  std::filesystem::path previous_;
};

// Everything a frame's rules may change, so that every measured frame starts alike.
class WorldSnapshot {
 public:
  WorldSnapshot() {
    VisitWorld([this](const char*, const auto& value) {
      const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
      saved_.insert(saved_.end(), bytes, bytes + sizeof value);
    });
    random_ = RandomState();
  }
  void Restore() const {
    size_t next = 0;
    VisitWorld([&](const char*, auto& value) {
      std::memcpy(&value, saved_.data() + next, sizeof value);
      next += sizeof value;
    });
    RandomSeed(random_);
  }

 private:
  std::vector<unsigned char> saved_;  // the world's variables, byte for byte, in list order
  uint32_t random_ = 0;
};

// Level 10 has eight tanks at once. Everything is spread over the field so that little
// collides: the frame mostly draws, as a busy frame in play does.
void MakeBusyWorld(int overlay) {
  RandomSeed(1);
  level = 10;
  StartLevel();
  lives = 8;
  game_mode = GAME_MODE_PLAYING;
  get_ready_active = 0;
  debug_display = overlay;
  for (int i = 0; i < ENEMY_TANK_COUNT; ++i) {
    BOB& tank = enemy_tanks[i];
    tank.state = ENEMY_ACTIVE;
    tank.x = 60 + 85 * i;
    tank.y = 120 + 50 * (i % 2);
    enemy_list[i] = i;
  }
  enemies_placed = enemies_onscreen = ENEMY_TANK_COUNT;
  for (int i = 0; i < PLAYER_SHELL_COUNT; ++i) {
    player_shells[i].state = SHELL_IN_FLIGHT;
    player_shells[i].x = 200 + 40 * i;
    player_shells[i].y = 450;
    player_shell_dir[i] = DIR_DOWN;
  }
  for (int i = 0; i < ENEMY_SHELL_COUNT; ++i) {
    enemy_shells[i].state = SHELL_IN_FLIGHT;
    enemy_shells[i].x = 40 + 90 * i;
    enemy_shells[i].y = 260;
    enemy_shells[i].user_slots[SLOT_SHELL_HEADING] = DIR_DOWN;
  }
  for (int i = 0; i < MINE_COUNT; ++i) {
    mines[i].state = MINE_LAID;
    mines[i].x = 30 + 48 * i;
    mines[i].y = 520;
  }
  mines_laid = MINE_COUNT;
  for (int i = 0; i < EXPLOSION_COUNT; ++i) {
    explosions[i].state = EXPLOSION_PLAYING;
    explosions[i].x = 50 + 90 * i;
    explosions[i].y = 330;
  }
  player_tank.state = PLAYER_IN_PLAY;
  player_tank.x = 384;
  player_tank.y = 420;
  PlaceBlastPickup(3, 8);
  PlaceLifePickup(600, 420);
}

void BusyPlayingFrame(benchmark::State& state) {
  GameFolder folder;
  StartUpGame();
  MakeBusyWorld(static_cast<int>(state.range(0)));
  const WorldSnapshot busy;
  for (auto _ : state) {
    busy.Restore();
    RunFrame();
  }
  ShutDownGame();
}
// Restoring the snapshot is a few kilobytes of copying, well under a microsecond.
BENCHMARK(BusyPlayingFrame)->ArgName("overlay")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// Start-up up to the first flipped frame (the title), as WinMain does it. Shutting down is
// not counted.
void StartUpToFirstFrame(benchmark::State& state) {
  GameFolder folder;
  for (auto _ : state) {
    StartUpGame();
    RunFrame();
    state.PauseTiming();
    ShutDownGame();
    state.ResumeTiming();
  }
}
BENCHMARK(StartUpToFirstFrame)->Unit(benchmark::kMillisecond);

// A page through the SDL host as a flip sends it: the palette conversion, the scaling and the
// upload to the window, of where it changed (the whole page, or a 32 x 32 square as a tank in
// play changes). Needs a display (run under Xvfb); skipped without.
void SdlPresentPage(benchmark::State& state) {
  host::sdl::SdlHost sdl;
  if (!sdl.OpenWindow("bench", 800, 600)) {
    state.SkipWithError("no display");
    return;
  }
  std::vector<uint8_t> page(800 * 600);
  for (size_t i = 0; i < page.size(); ++i) page[i] = static_cast<uint8_t>(i / 800 + i % 800);
  host::Rgb palette[256];
  for (int i = 0; i < 256; ++i)
    palette[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                  static_cast<uint8_t>(i / 2)};
  const int rows = static_cast<int>(state.range(0));
  const int columns = static_cast<int>(state.range(1));
  for (auto _ : state) {
    for (int y = 300 - rows / 2; y < 300 + rows / 2; ++y)
      for (int x = 400 - columns / 2; x < 400 + columns / 2; ++x) page[y * 800 + x]++;
    sdl.Present(page.data(), 800, 800, 600, palette, nullptr);
  }
  sdl.CloseWindow();
}
BENCHMARK(SdlPresentPage)->Args({600, 800})->Args({32, 32})->Unit(benchmark::kMicrosecond);

}  // namespace
