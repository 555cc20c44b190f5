#include <windows.h>
#include <dinput.h>

#include "game/world.h"
#include "shell/random.h"
#include "input/input.h"
#include "sound/sound.h"

namespace {

// Joystick deflection that counts as a direction; the axes run -16..16.
constexpr LONG STICK_THRESHOLD = 10;

// The ways one device pushes the tank.
struct Steering {
  int up, down, left, right;
};

Steering ArrowKeys() {
  return {keys_held[DIK_UP] != 0, keys_held[DIK_DOWN] != 0, keys_held[DIK_LEFT] != 0,
          keys_held[DIK_RIGHT] != 0};
}

Steering Stick() {
  return {joystick_state.lY <= -STICK_THRESHOLD, joystick_state.lY >= STICK_THRESHOLD,
          joystick_state.lX <= -STICK_THRESHOLD, joystick_state.lX >= STICK_THRESHOLD};
}

// Mines, shells, the two cheats and the overlay switch.
void HandleActions() {
  if ((keys_held[DIK_LCONTROL] || keys_held[DIK_RCONTROL] || joystick_state.rgbButtons[1]) &&
      mine_latch == 0 && player_tank.state == PLAYER_IN_PLAY)
    LayMine();
  if (keys_held[DIK_SPACE] || joystick_state.rgbButtons[0]) FirePlayerShell();
  if (keys_held[DIK_F2] && blast_pickup.state == BLAST_HIDDEN) {
    int r1 = RandomNext();
    int r2 = RandomNext();
    PlaceBlastPickup(r2 % GRID_COLUMNS, r1 % GRID_ROWS);
  }
  if (keys_held[DIK_F3] && life_pickup.state == LIFE_ABSENT) PlaceLifePickup(300, 300);
  if (keys_held[DIK_RETURN]) debug_display = debug_display == 1 ? 0 : 1;
}

// A step for each way either device pushes; then a diagonal on one device takes its sideways
// step back and turns the treads back, so it moves only vertically with the treads still.
void Drive(const Steering& keys, const Steering& stick) {
  if (keys.up || stick.up) {
    player_tank.y -= 4;
    TurnTreads(&player_tank, DIR_UP);
  }
  if (keys.left || stick.left) {
    player_tank.x -= 4;
    TurnTreads(&player_tank, DIR_LEFT);
  }
  if (keys.right || stick.right) {
    player_tank.x += 4;
    TurnTreads(&player_tank, DIR_RIGHT);
  }
  if (keys.down || stick.down) {
    player_tank.y += 4;
    TurnTreads(&player_tank, DIR_DOWN);
  }

  auto diagonal = [&](int Steering::*vertical, int Steering::*sideways) {
    return (keys.*vertical && keys.*sideways) || (stick.*vertical && stick.*sideways);
  };
  if (diagonal(&Steering::up, &Steering::left)) {
    player_tank.x += 4;
    ToggleFrame(&player_tank, DIR_UP, DIR_UP + 4);
  }
  if (diagonal(&Steering::up, &Steering::right)) {
    player_tank.x -= 4;
    ToggleFrame(&player_tank, DIR_UP, DIR_UP + 4);
  }
  if (diagonal(&Steering::down, &Steering::left)) {
    player_tank.x += 4;
    ToggleFrame(&player_tank, DIR_DOWN, DIR_DOWN + 4);
  }
  if (diagonal(&Steering::down, &Steering::right)) {
    player_tank.x -= 4;
    ToggleFrame(&player_tank, DIR_DOWN, DIR_DOWN + 4);
  }
}

}  // namespace

int HandlePlayerInput() {
  ReadKeyboard();
  ReadJoystick();
  Steering keys = ArrowKeys(), stick = Stick();
  HandleActions();
  Drive(keys, stick);
  KeepInside(&player_tank, TANK_FIELD);
  return 1;
}

int LayMine() {
  if (mines_laid >= MINE_COUNT) {
    mines_laid = MINE_COUNT;
    return 1;
  }
  BOB* mine = &mines[mines_laid];
  mine->state = MINE_LAID;
  mine->x = player_tank.x + 8;
  mine->y = player_tank.y + 8;
  StartSound(snd_minedrop, 0);
  mines_laid++;
  mine_latch = 1;
  return 1;
}

int FirePlayerShell() {
  for (int i = 0; i < PLAYER_SHELL_COUNT; i++) {
    if (fire_latch != 0 || player_tank.state != PLAYER_IN_PLAY) continue;
    if (player_shells[i].state != SHELL_READY) continue;
    player_shells[i].state = SHELL_IN_FLIGHT;
    player_shells[i].x = player_tank.x + 8;
    player_shells[i].y = player_tank.y + 8;
    fire_latch = 1;
    StartSound(snd_shot, 0);
    // Frames d and d + 4 both face direction d.
    player_shell_dir[i] = player_tank.frame & 3;
  }
  return 1;
}

int UpdatePlayerShells() {
  for (int i = 0; i < PLAYER_SHELL_COUNT; i++) {
    if (player_shells[i].state != SHELL_IN_FLIGHT) continue;
    MoveShell(&player_shells[i], player_shell_dir[i]);
    TestShellHits();
  }
  return 1;
}

int ArmMines() {
  for (BOB& mine : mines)
    if (mine.state == MINE_LAID && mine.user_slots[SLOT_ARM_COUNT] != MINE_ARMED_COUNT)
      mine.user_slots[SLOT_ARM_COUNT]++;
  return 1;
}
