#include <windows.h>
#include <dinput.h>

#include "game/world.h"
#include "gfx/random.h"
#include "input/input.h"
#include "sound/sound.h"

// Joystick deflection that counts as a direction; the axes run -16..16.
constexpr LONG STICK_THRESHOLD = 10;

int HandlePlayerInput() {
  ReadKeyboard();
  ReadJoystick();

  int key_up = keys_held[DIK_UP] != 0, key_down = keys_held[DIK_DOWN] != 0;
  int key_left = keys_held[DIK_LEFT] != 0, key_right = keys_held[DIK_RIGHT] != 0;
  int stick_up = joystick_state.lY <= -STICK_THRESHOLD;
  int stick_down = joystick_state.lY >= STICK_THRESHOLD;
  int stick_left = joystick_state.lX <= -STICK_THRESHOLD;
  int stick_right = joystick_state.lX >= STICK_THRESHOLD;

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

  if (key_up || stick_up) {
    player_tank.y -= 4;
    ToggleFrame(&player_tank, 4, 0);
  }
  if (key_left || stick_left) {
    player_tank.x -= 4;
    ToggleFrame(&player_tank, 7, 3);
  }
  if (key_right || stick_right) {
    player_tank.x += 4;
    ToggleFrame(&player_tank, 5, 1);
  }
  if (key_down || stick_down) {
    player_tank.y += 4;
    ToggleFrame(&player_tank, 6, 2);
  }

  // A diagonal on one device moves only vertically, with the treads held still.
  if ((key_up && key_left) || (stick_up && stick_left)) {
    player_tank.x += 4;
    ToggleFrame(&player_tank, 0, 4);
  }
  if ((key_up && key_right) || (stick_up && stick_right)) {
    player_tank.x -= 4;
    ToggleFrame(&player_tank, 0, 4);
  }
  if ((key_down && key_left) || (stick_down && stick_left)) {
    player_tank.x += 4;
    ToggleFrame(&player_tank, 2, 6);
  }
  if ((key_down && key_right) || (stick_down && stick_right)) {
    player_tank.x -= 4;
    ToggleFrame(&player_tank, 2, 6);
  }

  if (player_tank.x <= 10) player_tank.x = 11;
  if (player_tank.x >= 758) player_tank.x = 757;
  if (player_tank.y <= 90) player_tank.y = 91;
  if (player_tank.y >= 562) player_tank.y = 561;
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
