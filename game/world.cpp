#include "game/world.h"

BOB player_tank;
BOB enemy_tanks[ENEMY_TANK_COUNT];
BOB player_shells[PLAYER_SHELL_COUNT];
BOB enemy_shells[ENEMY_SHELL_COUNT];
BOB mines[MINE_COUNT];
BOB explosions[EXPLOSION_COUNT];
BOB blast_pickup;
BOB life_pickup;

int player_shell_dir[PLAYER_SHELL_COUNT];
int enemy_list[ENEMY_TANK_COUNT];
int enemy_list_fill = 0;

int lives = 8;
int score = 0;
int level = 1;
int enemies_left = 0;
int enemy_slots = 0;
int enemies_placed = 0;
int enemies_onscreen = 0;
int arrival_tick = 0;
int arrival_wanted = 0;
int arrival_active = 0;
int mines_laid = 0;
int mine_latch = 0;
int mine_latch_count = 0;
int fire_latch = 0;
int fire_latch_count = 0;
int respawn_pending = 0;
int respawn_count = 0;
int level_won = 0;
int game_over_count = 0;
int blast_timer = 0;
int life_pickup_timer = 0;
int get_ready_active = 0;
int debug_display = 0;
int game_mode = GAME_MODE_TITLE;

// No sound until start-up has loaded them.
int snd_shot = -1;
int snd_explode = -1;
int snd_intro = -1;
int snd_minedrop = -1;
int snd_pickup = -1;
int snd_team = -1;
int snd_plan = -1;

void ToggleFrame(BOB* bob, int a, int b) {
  bob->frame = bob->frame == a ? b : a;
}

int MoveAlong(BOB* bob, int direction, int step) {
  switch (direction) {
    case DIR_UP:
      bob->y -= step;
      break;
    case DIR_RIGHT:
      bob->x += step;
      break;
    case DIR_DOWN:
      bob->y += step;
      break;
    case DIR_LEFT:
      bob->x -= step;
      break;
  }
  return 1;
}

int MoveShell(BOB* shell, int direction) {
  MoveAlong(shell, direction, 12);
  if (shell->x <= 5 || shell->x >= 780 || shell->y <= 80 || shell->y >= 582)
    shell->state = SHELL_READY;
  return 1;
}

int UpdateWorld() {
  if (enemies_left == 0) level_won = 1;
  ScheduleArrival();
  if (arrival_active == 1) AdvanceArrival();
  ReleaseExplosions();
  ArmMines();
  TestMinesOnPlayer();
  TestMinesOnEnemies();
  if (life_pickup.state == LIFE_SHOWN) UpdateLifePickup();
  if (blast_pickup.state == BLAST_SHOWN) UpdateBlastPickup();
  MaybeShowBlastPickup();

  if (mine_latch == 1) mine_latch_count++;
  if (mine_latch_count == 50) {
    mine_latch = 0;
    mine_latch_count = 0;
  }
  if (fire_latch == 1) fire_latch_count++;
  if (fire_latch_count == 5) {
    fire_latch = 0;
    fire_latch_count = 0;
  }

  if (level_won == 1) RunLevelWon();
  if (lives == 0) RunGameOverStep();
  if (respawn_pending == 1) RunRespawnStep();
  UpdateEnemyTactics();
  RunEnemyAI();
  return 1;
}
