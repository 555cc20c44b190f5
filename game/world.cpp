#include "game/world.h"

#define WORLD_DEFINE_COUNTER(name, start) int name = start;
#define WORLD_DEFINE_ARRAY(name, count) int name[count];
#define WORLD_DEFINE_SPRITE(name) BOB name;
#define WORLD_DEFINE_POOL(name, count) BOB name[count];
WORLD_STATE(WORLD_DEFINE_COUNTER, WORLD_DEFINE_ARRAY, WORLD_DEFINE_SPRITE, WORLD_DEFINE_POOL)

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

void TurnTreads(BOB* bob, int direction) {
  ToggleFrame(bob, direction + 4, direction);
}

int KeepInside(BOB* bob, const Bounds& bounds) {
  int edges = 0;
  if (bob->x <= bounds.left) {
    bob->x = bounds.left + 1;
    edges++;
  }
  if (bob->x >= bounds.right) {
    bob->x = bounds.right - 1;
    edges++;
  }
  if (bob->y <= bounds.top) {
    bob->y = bounds.top + 1;
    edges++;
  }
  if (bob->y >= bounds.bottom) {
    bob->y = bounds.bottom - 1;
    edges++;
  }
  return edges;
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
  const Bounds& field = SHELL_FIELD;
  if (shell->x <= field.left || shell->x >= field.right || shell->y <= field.top ||
      shell->y >= field.bottom)
    shell->state = SHELL_READY;
  return 1;
}

int MoveWorld() {
  HandlePlayerInput();
  UpdatePlayerShells();
  AnimateEnemyTreads();
  UpdateEnemyShells();
  for (BOB& mine : mines) AnimateBob(&mine);
  for (BOB& explosion : explosions) AnimateBob(&explosion);
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
