#include "game/world.h"
#include "shell/random.h"
#include "sound/sound.h"

namespace {

struct ArrivalPoint {
  int x, y, side;
};
constexpr ArrivalPoint ARRIVAL_POINTS[4] = {
    {-35, 164, ARRIVE_FROM_LEFT},
    {-35, 423, ARRIVE_FROM_LEFT},
    {799, 164, ARRIVE_FROM_RIGHT},
    {799, 423, ARRIVE_FROM_RIGHT},
};

int LinedUp(int v, int p) {
  return p - 6 < v && v < p + 6;
}

}  // namespace

int PlaceEnemy(int column, int row, int mode) {
  if (mode == PLACE_ON_GRID) {
    for (int i = 0; i < ENEMY_TANK_COUNT; i++) {
      BOB* tank = &enemy_tanks[i];
      if (tank->state != ENEMY_FREE) continue;
      enemy_list[enemy_list_fill++] = i;
      tank->state = ENEMY_ACTIVE;
      tank->frame = RandomNext() % 3;
      tank->x = GridX(column);
      tank->y = GridY(row);
      enemies_placed++;
      break;
    }
  } else {
    // A replacement takes back a slot this level has used already.
    for (int i = 0; i < enemies_placed; i++) {
      BOB* tank = &enemy_tanks[i];
      if (tank->state != ENEMY_FREE) continue;
      tank->state = ENEMY_ARRIVING;
      tank->user_slots[SLOT_AI_MODE] = AI_HUNT;
      if (enemy_list[i] == -1) enemy_list[i] = i;
      const ArrivalPoint& point = ARRIVAL_POINTS[RandomNext() % 4];
      tank->x = point.x;
      tank->y = point.y;
      tank->user_slots[SLOT_ARRIVE_SIDE] = point.side;
      tank->user_slots[SLOT_ARRIVE_STEPS] = 0;
      break;
    }
  }
  enemies_onscreen++;
  return 1;
}

int FreeEnemySlot(int slot) {
  for (int k = 0; k < enemies_placed; k++)
    if (enemy_list[k] == slot) enemy_list[k] = -1;
  enemy_tanks[slot].state = ENEMY_FREE;
  return 1;
}

int ScheduleArrival() {
  if (arrival_tick != 50) {
    arrival_tick++;
    return 1;
  }
  if (enemies_onscreen < enemies_left && arrival_wanted == 1) {
    PlaceEnemy(0, 0, PLACE_ARRIVING);
    arrival_wanted = 0;
    arrival_active = 1;
    for (int entry : enemy_list)
      if (entry == -1) arrival_wanted = 1;
  }
  arrival_tick = 0;
  return 1;
}

int AdvanceArrival() {
  for (BOB& tank : enemy_tanks) {
    if (tank.state != ENEMY_ARRIVING) continue;
    int* words = tank.user_slots;
    if (words[SLOT_ARRIVE_STEPS] == 20) {
      words[SLOT_ARRIVE_STEPS] = 0;
      tank.state = ENEMY_ACTIVE;
      arrival_active = 0;
      return 1;
    }
    if (words[SLOT_ARRIVE_SIDE] == ARRIVE_FROM_LEFT) {
      tank.x += 3;
      words[SLOT_HEADING] = DIR_RIGHT;
    } else {
      tank.x -= 3;
      words[SLOT_HEADING] = DIR_LEFT;
    }
    words[SLOT_ARRIVE_STEPS]++;
    return 1;
  }
  return 1;
}

int MoveEnemy(int slot) {
  BOB* tank = &enemy_tanks[slot];
  if (tank->state != ENEMY_ACTIVE) return 1;
  int* heading = &tank->user_slots[SLOT_HEADING];
  MoveAlong(tank, *heading, 3);
  // Each wall draws its own new heading, which may point into the wall again.
  for (int walls = KeepInside(tank, TANK_FIELD); walls > 0; walls--) *heading = RandomNext() % 4;
  return 1;
}

int AnimateEnemyTreads() {
  for (BOB& tank : enemy_tanks) {
    if (tank.user_slots[SLOT_TREADS_ON] != 1) continue;
    TurnTreads(&tank, tank.user_slots[SLOT_HEADING]);
  }
  return 1;
}

int UpdateEnemyTactics() {
  for (BOB& tank : enemy_tanks) {
    int* words = tank.user_slots;
    if (words[SLOT_AI_COUNT] != words[SLOT_AI_PERIOD]) {
      words[SLOT_AI_COUNT]++;
      continue;
    }
    words[SLOT_AI_PERIOD] = AI_PERIODS[RandomNext() % 4];
    words[SLOT_AI_COUNT] = 0;
    words[SLOT_AI_MODE] = RandomNext() % 2;
  }
  return 1;
}

int RunEnemyAI() {
  int px = player_tank.x, py = player_tank.y;
  for (int i = 0; i < ENEMY_TANK_COUNT; i++) {
    BOB* tank = &enemy_tanks[i];
    int* words = tank->user_slots;
    if (tank->state != ENEMY_ACTIVE) continue;
    if (words[SLOT_AI_MODE] == AI_MOVE) {
      MoveEnemy(i);
      if (RandomNext() % 20 == 3) FireIfLinedUp(i);
    } else if (words[SLOT_AI_MODE] == AI_HUNT) {
      int a = RandomNext() % 4;
      if (words[SLOT_HUNT_AXIS] == HUNT_AXIS_X) {
        if (tank->x < px) words[SLOT_HEADING] = DIR_RIGHT;
        if (tank->x > px) words[SLOT_HEADING] = DIR_LEFT;
        if (LinedUp(tank->x, px)) {
          if (a == 0 || a == 1) words[SLOT_HUNT_AXIS] = HUNT_AXIS_Y;
          if (a == 2) {
            if (tank->y > py) FireEnemyShell(tank->x, tank->y, DIR_UP, i);
            if (tank->y < py) FireEnemyShell(tank->x, tank->y, DIR_DOWN, i);
            words[SLOT_HUNT_AXIS] = HUNT_AXIS_Y;
          }
          if (a == 3) words[SLOT_AI_MODE] = AI_MOVE;
        }
      }
      // Tested afresh: a tank that has just switched axes lines up on the other one too.
      if (words[SLOT_HUNT_AXIS] == HUNT_AXIS_Y) {
        if (tank->y < py) words[SLOT_HEADING] = DIR_DOWN;
        if (tank->y > py) words[SLOT_HEADING] = DIR_UP;
        if (LinedUp(tank->y, py)) {
          if (a == 0 || a == 1) words[SLOT_HUNT_AXIS] = HUNT_AXIS_X;
          if (a == 2) {
            if (tank->x > px) FireEnemyShell(tank->x, tank->y, DIR_LEFT, i);
            if (tank->x < px) FireEnemyShell(tank->x, tank->y, DIR_RIGHT, i);
            words[SLOT_HUNT_AXIS] = HUNT_AXIS_X;
          }
          if (a == 3) words[SLOT_AI_MODE] = AI_MOVE;
        }
      }
      MoveEnemy(i);
      if (RandomNext() % 15 == 3) FireIfLinedUp(i);
    }
  }
  return 1;
}

int FireIfLinedUp(int slot) {
  const BOB* tank = &enemy_tanks[slot];
  int heading = tank->user_slots[SLOT_HEADING];
  // Only the axis counts: a tank heading up fires up even with the player below it.
  int vertical = heading == DIR_UP || heading == DIR_DOWN;
  int lined_up = vertical ? LinedUp(tank->x, player_tank.x) : LinedUp(tank->y, player_tank.y);
  if (lined_up) FireEnemyShell(tank->x, tank->y, heading, slot);
  return 1;
}

int FireEnemyShell(int x, int y, int direction, int slot) {
  BOB* shell = &enemy_shells[slot];
  if (shell->state != SHELL_READY) return 1;
  shell->x = x + 8;
  shell->y = y + 8;
  shell->state = SHELL_IN_FLIGHT;
  shell->user_slots[SLOT_SHELL_HEADING] = direction & 3;
  StartSound(snd_shot, 0);
  return 1;
}

int UpdateEnemyShells() {
  for (int i = 0; i < ENEMY_SHELL_COUNT; i++) {
    if (enemy_shells[i].state != SHELL_IN_FLIGHT) continue;
    MoveShell(&enemy_shells[i], enemy_shells[i].user_slots[SLOT_SHELL_HEADING]);
    // Tested even when the edge has just made it ready.
    TestPlayerHit(i);
  }
  return 1;
}
