#include "game/world.h"
#include "shell/random.h"
#include "sound/sound.h"

namespace {

constexpr int PICKUP_LIFETIME = 150;

// Both pick-ups are touched as 32 x 32 boxes, although the life pick-up is drawn smaller.
int PlayerTouches(const BOB* pickup) {
  return RectsOverlap(player_tank.x, player_tank.y, 32, 32, pickup->x, pickup->y, 32, 32) &&
         player_tank.state == PLAYER_IN_PLAY;
}

}  // namespace

int DestroyAllEnemies() {
  // Only the tanks in play: one rolling in is spared.
  for (int i = 0; i < enemy_slots; i++) {
    BOB* tank = &enemy_tanks[i];
    if (tank->state != ENEMY_ACTIVE) continue;
    enemies_left--;
    enemies_onscreen--;
    StartExplosion(tank->x - 8, tank->y - 8);
    StartSound(snd_explode, 0);
    FreeEnemySlot(i);
    arrival_wanted = 1;
  }
  return 1;
}

int PlaceBlastPickup(int column, int row) {
  blast_pickup.state = BLAST_SHOWN;
  blast_pickup.frame = 0;
  blast_pickup.x = GridX(column);
  blast_pickup.y = GridY(row);
  return 1;
}

int UpdateBlastPickup() {
  AnimateBob(&blast_pickup);
  if (PlayerTouches(&blast_pickup)) {
    DestroyAllEnemies();
    StartSound(snd_pickup, 0);
    score += 30;
    blast_pickup.state = BLAST_HIDDEN;
    blast_timer = 0;
  }
  if (blast_timer == PICKUP_LIFETIME) {
    blast_pickup.state = BLAST_HIDDEN;
    blast_timer = 0;
  } else {
    blast_timer++;
  }
  return 1;
}

int MaybeShowBlastPickup() {
  // Drawn every frame, whatever the pick-up's state.
  if (RandomNext() % 1500 != 25 || blast_pickup.state != BLAST_HIDDEN) return 1;
  int r1 = RandomNext();
  int r2 = RandomNext();
  PlaceBlastPickup(r2 % GRID_COLUMNS, r1 % GRID_ROWS);
  return 1;
}

int PlaceLifePickup(int x, int y) {
  life_pickup.state = LIFE_SHOWN;
  life_pickup.x = x;
  life_pickup.y = y;
  return 1;
}

int UpdateLifePickup() {
  if (PlayerTouches(&life_pickup)) {
    lives++;
    StartSound(snd_pickup, 0);
    life_pickup.state = LIFE_ABSENT;
    score += 30;
    life_pickup_timer = 0;
  }
  if (life_pickup_timer == PICKUP_LIFETIME) {
    life_pickup.state = LIFE_ABSENT;
    life_pickup_timer = 0;
  } else {
    life_pickup_timer++;
  }
  return 1;
}
