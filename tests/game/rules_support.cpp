#include "game/rules_support.h"

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
  bob->anim_period = 1;
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
  for (int& dir : player_shell_dir) dir = DIR_UP;
  for (int& entry : enemy_list) entry = 0;

  lives = 8;
  level = 1;
  enemies_left = 5;  // above zero, so an empty field does not win the level
  score = enemy_list_fill = enemy_slots = enemies_placed = enemies_onscreen = 0;
  arrival_tick = arrival_wanted = arrival_active = 0;
  mines_laid = mine_latch = mine_latch_count = fire_latch = fire_latch_count = 0;
  respawn_pending = respawn_count = level_won = game_over_count = 0;
  blast_timer = life_pickup_timer = get_ready_active = debug_display = 0;
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
