#include "game/rules_support.h"

#include <algorithm>

#include "shell/random.h"
#include "input/input.h"
#include "host/headless/headless_host.h"

namespace rules {

namespace {

void Shape(BOB* bob, int width, int height, int frames, DWORD flags, int state) {
  *bob = BOB{};
  bob->width = width;
  bob->height = height;
  bob->frame_count = frames;
  bob->flags = flags;
  bob->anim_period = 1;
  bob->state = state;
  bob->x = 320;
  bob->y = 240;
}

host::headless::HeadlessHost& Headless() {
  return dynamic_cast<host::headless::HeadlessHost&>(host::Current());
}

}  // namespace

void ResetWorld() {
  // Everything back to program start: counters to their start values, the rest cleared.
#define START_COUNTER(name, start) name = start;
#define CLEAR_ARRAY(name, count) std::fill_n(name, count, 0);
#define CLEAR_SPRITE(name) name = BOB{};
#define CLEAR_POOL(name, count) std::fill_n(name, count, BOB{});
  WORLD_STATE(START_COUNTER, CLEAR_ARRAY, CLEAR_SPRITE, CLEAR_POOL)
#undef START_COUNTER
#undef CLEAR_ARRAY
#undef CLEAR_SPRITE
#undef CLEAR_POOL

  constexpr DWORD cycling = BOB_VISIBLE | BOB_CYCLE_FRAMES;
  Shape(&player_tank, 32, 32, 8, cycling, PLAYER_IN_PLAY);
  player_tank.x = 400;
  player_tank.y = 300;
  Shape(&life_pickup, 32, 32, 8, cycling, LIFE_ABSENT);
  Shape(&blast_pickup, 32, 32, 10, cycling, BLAST_HIDDEN);
  for (BOB& tank : enemy_tanks) {
    Shape(&tank, 32, 32, 8, cycling, ENEMY_FREE);
    tank.user_slots[SLOT_TREADS_ON] = 1;
    tank.user_slots[SLOT_AI_PERIOD] = 100;
  }
  for (BOB& explosion : explosions) Shape(&explosion, 42, 36, 14, cycling, EXPLOSION_FREE);
  for (BOB& shell : player_shells) Shape(&shell, 16, 16, 1, BOB_VISIBLE, SHELL_READY);
  for (BOB& shell : enemy_shells) Shape(&shell, 16, 16, 1, BOB_VISIBLE, SHELL_READY);
  for (BOB& mine : mines) Shape(&mine, 16, 16, 20, cycling, MINE_UNLAID);
  enemies_left = 5;  // above zero, so an empty field does not win the level
  game_mode = GAME_MODE_PLAYING;
  RandomSeed(1);
  for (int key = 0; key < 256; key++) Headless().SetKey(static_cast<uint8_t>(key), false);
}

void HoldKey(int scan_code, bool down) {
  static bool opened = false;
  if (!opened) {
    OpenInputSystem();
    InitKeyboard();
    opened = true;
  }
  Headless().SetKey(static_cast<uint8_t>(scan_code), down);
}

void PlayFrame() {
  MoveWorld();
  UpdateWorld();
}

void SeedSoThat(const std::function<bool()>& wanted) {
  for (uint32_t seed = 0;; seed++) {
    RandomSeed(seed);
    if (wanted()) return RandomSeed(seed);
  }
}

void ShootTank(int shell, int slot) {
  player_shells[shell].state = SHELL_IN_FLIGHT;
  player_shells[shell].x = enemy_tanks[slot].x + 8;
  player_shells[shell].y = enemy_tanks[slot].y + 8;
  TestShellHits();
}

void ActivateTank(int slot, int x, int y) {
  enemy_tanks[slot].state = ENEMY_ACTIVE;
  enemy_tanks[slot].x = x;
  enemy_tanks[slot].y = y;
  enemy_list[slot] = slot;
  if (enemies_placed <= slot) enemies_placed = slot + 1;
  enemies_onscreen++;
}

}  // namespace rules
