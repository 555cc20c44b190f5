#include <cstdlib>

#include "game/world.h"
#include "shell/random.h"
#include "sound/sound.h"

namespace {

// The bookkeeping every kill by a shell or a mine shares: counters, slot, points, the
// one-in-twenty chance of a life pick-up where the tank stood.
void CountEnemyKill(int slot, int points) {
  const BOB* tank = &enemy_tanks[slot];
  enemies_left--;
  enemies_onscreen--;
  FreeEnemySlot(slot);
  arrival_wanted = 1;
  score += points;
  if (RandomNext() % 20 == 5 && life_pickup.state == LIFE_ABSENT) PlaceLifePickup(tank->x, tank->y);
}

// A laid mine is tested as a 21 x 21 box around its picture, a tank as 32 x 32.
int MineUnder(const BOB* tank, const BOB* mine) {
  return RectsOverlap(tank->x, tank->y, 32, 32, mine->x - 5, mine->y - 5, 21, 21);
}

int MineArmed(const BOB* mine) {
  return mine->state == MINE_LAID && mine->user_slots[SLOT_ARM_COUNT] == MINE_ARMED_COUNT;
}

}  // namespace

int RectsOverlap(int x1, int y1, int w1, int h1, int x2, int y2, int w2, int h2) {
  int hw1 = (w1 >> 1) - (w1 >> 3), hh1 = (h1 >> 1) - (h1 >> 3);
  int hw2 = (w2 >> 1) - (w2 >> 3), hh2 = (h2 >> 1) - (h2 >> 3);
  int dx = std::abs((x2 + hw2) - (x1 + hw1));
  int dy = std::abs((y2 + hh2) - (y1 + hh1));
  return hw1 + hw2 > dx && hh1 + hh2 > dy;
}

int StartExplosion(int x, int y) {
  for (BOB& explosion : explosions) {
    if (explosion.state != EXPLOSION_FREE) continue;
    explosion.x = x;
    explosion.y = y;
    explosion.state = EXPLOSION_PLAYING;
    explosion.frame = 0;
    return 1;
  }
  return 1;
}

int ReleaseExplosions() {
  for (BOB& explosion : explosions)
    if (explosion.state == EXPLOSION_PLAYING && explosion.frame == 9)
      explosion.state = EXPLOSION_FREE;
  return 1;
}

int TestShellHits() {
  for (BOB& shell : player_shells) {
    for (int k = 0; k < ENEMY_TANK_COUNT; k++) {
      BOB* tank = &enemy_tanks[k];
      if (tank->state != ENEMY_ACTIVE || shell.state != SHELL_IN_FLIGHT) continue;
      if (!BobsOverlap(tank, &shell)) continue;
      StartExplosion(tank->x - 8, tank->y - 8);
      StartSound(snd_explode, 0);
      shell.state = SHELL_READY;
      CountEnemyKill(k, 5);
    }
  }
  return 1;
}

int TestPlayerHit(int shell) {
  if (!BobsOverlap(&player_tank, &enemy_shells[shell]) || player_tank.state != PLAYER_IN_PLAY)
    return 1;
  enemy_shells[shell].state = SHELL_READY;
  player_tank.state = PLAYER_DESTROYED;
  respawn_pending = 1;
  StartExplosion(player_tank.x - 8, player_tank.y - 8);
  StartSound(snd_explode, 0);
  lives--;
  return 1;
}

int TestMinesOnPlayer() {
  for (BOB& mine : mines) {
    if (!MineUnder(&player_tank, &mine) || !MineArmed(&mine)) continue;
    if (player_tank.state != PLAYER_IN_PLAY) continue;
    player_tank.state = PLAYER_DESTROYED;
    score -= 150;
    mine.state = MINE_UNLAID;
    respawn_pending = 1;
    StartExplosion(player_tank.x - 8, player_tank.y - 8);
    StartExplosion(mine.x - 16, mine.y - 16);
    StartSound(snd_explode, 0);
    lives--;
  }
  return 1;
}

int TestMinesOnEnemies() {
  for (int i = 0; i < ENEMY_TANK_COUNT; i++) {
    BOB* tank = &enemy_tanks[i];
    for (BOB& mine : mines) {
      if (tank->state != ENEMY_ACTIVE || !MineArmed(&mine) || !MineUnder(tank, &mine)) continue;
      StartExplosion(tank->x - 8, tank->y - 8);
      StartExplosion(mine.x - 16, mine.y - 16);
      StartSound(snd_explode, 0);
      mine.state = MINE_UNLAID;
      CountEnemyKill(i, 50);
    }
  }
  return 1;
}

int RunRespawnStep() {
  if (respawn_count != 30) {
    respawn_count++;
    return 1;
  }
  player_tank.state = PLAYER_IN_PLAY;
  player_tank.x = 384;
  player_tank.y = 300;
  player_tank.frame = 0;
  respawn_pending = 0;
  respawn_count = 0;
  return 1;
}
