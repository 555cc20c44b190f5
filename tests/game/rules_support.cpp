#include "game/rules_support.h"

#include <dinput.h>

#include "gfx/random.h"
#include "input/input.h"
#include "platform/host/headless_host.h"

namespace rules {

namespace {

void Shape(BOB* bob, int width, int height, int frames, DWORD flags, int state) {
  *bob = BOB{};
  bob->width = width;
  bob->height = height;
  bob->frame_count = frames;
  bob->flags = flags;
  bob->state = state;
  bob->x = 320;
  bob->y = 240;
}

host::HeadlessHost& Headless() {
  return dynamic_cast<host::HeadlessHost&>(host::Current());
}

}  // namespace

void ResetWorld() {
  constexpr DWORD cycling = BOB_VISIBLE | BOB_CYCLE_FRAMES;
  constexpr DWORD single = BOB_VISIBLE | BOB_ONE_FRAME;
  Shape(&player_tank, 32, 32, 8, cycling, PLAYER_IN_PLAY);
  player_tank.x = 400;
  player_tank.y = 300;
  Shape(&life_pickup, 32, 32, 8, cycling, LIFE_ABSENT);
  Shape(&blast_pickup, 32, 32, 10, cycling, BLAST_HIDDEN);
  blast_pickup.anim_period = 1;
  for (BOB& tank : enemy_tanks) {
    Shape(&tank, 32, 32, 8, cycling, ENEMY_FREE);
    tank.frame = 2;
    tank.user_slots[SLOT_TREADS_ON] = 1;
    tank.user_slots[SLOT_AI_PERIOD] = 100;
  }
  for (BOB& explosion : explosions) Shape(&explosion, 42, 36, 14, cycling, EXPLOSION_FREE);
  for (BOB& shell : player_shells) Shape(&shell, 16, 16, 1, single, SHELL_READY);
  for (BOB& shell : enemy_shells) Shape(&shell, 16, 16, 1, single, SHELL_READY);
  for (BOB& mine : mines) {
    Shape(&mine, 16, 16, 20, cycling, MINE_UNLAID);
    mine.anim_period = 1;
  }
  for (int& dir : player_shell_dir) dir = DIR_UP;
  for (int& entry : enemy_list) entry = 0;
  enemy_list_fill = 0;

  lives = 8;
  score = 0;
  level = 1;
  // A quota above zero, so the level is not won by an empty field.
  enemies_left = 5;
  enemy_slots = enemies_placed = enemies_onscreen = 0;
  arrival_tick = arrival_wanted = arrival_active = 0;
  mines_laid = mine_latch = mine_latch_count = 0;
  fire_latch = fire_latch_count = 0;
  respawn_pending = respawn_count = 0;
  level_won = game_over_count = 0;
  blast_timer = life_pickup_timer = 0;
  get_ready_active = debug_display = 0;
  game_mode = GAME_MODE_PLAYING;
  RandomSeed(1);
  ReleaseAllKeys();
}

void OpenKeyboard() {
  static bool opened = false;
  if (opened) return;
  opened = true;
  OpenInputSystem();
  InitKeyboard();
}

void HoldKey(int scan_code, bool down) {
  OpenKeyboard();
  Headless().SetKey(static_cast<uint8_t>(scan_code), down);
}

void ReleaseAllKeys() {
  for (int key = 0; key < 256; key++) Headless().SetKey(static_cast<uint8_t>(key), false);
}

void PlayFrame() {
  HandlePlayerInput();
  UpdatePlayerShells();
  AnimateEnemyTreads();
  UpdateEnemyShells();
  for (BOB& mine : mines) AnimateBob(&mine);
  for (BOB& explosion : explosions) AnimateBob(&explosion);
  UpdateWorld();
}

void SeedSoThat(const std::function<bool()>& wanted) {
  for (uint32_t seed = 0;; seed++) {
    RandomSeed(seed);
    if (wanted()) {
      RandomSeed(seed);
      return;
    }
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
