#include <windows.h>

#include "game/world.h"
#include "gfx/display.h"
#include "gfx/palette.h"
#include "shell/random.h"
#include "gfx/text.h"
#include "gfx/transitions.h"
#include "sound/sound.h"

const LevelEntry LEVEL_TABLE[LEVEL_COUNT] = {
    {5, 2},  {7, 3},  {10, 5}, {16, 5}, {16, 6}, {22, 5}, {24, 6}, {20, 7}, {22, 7}, {30, 8},
    {45, 6}, {35, 8}, {40, 8}, {50, 7}, {60, 6}, {45, 8}, {50, 7}, {55, 8}, {60, 8}, {100, 8},
};

PALETTEENTRY saved_palette[256];

namespace {
const COLORREF MESSAGE_GREEN = RGB(0, 255, 0);
}

int StartLevel() {
  for (BOB& tank : enemy_tanks) {
    tank.state = ENEMY_FREE;
    tank.user_slots[SLOT_AI_MODE] = AI_MOVE;
  }
  for (int& entry : enemy_list) entry = 0;
  get_ready_active = 1;
  enemies_left = enemy_slots = enemies_placed = enemies_onscreen = 0;
  arrival_wanted = arrival_tick = arrival_active = 0;
  for (BOB& shell : player_shells) shell.state = SHELL_READY;
  for (BOB& shell : enemy_shells) shell.state = SHELL_READY;
  for (BOB& explosion : explosions) explosion.state = EXPLOSION_FREE;
  for (BOB& mine : mines) {
    mine.state = MINE_UNLAID;
    mine.user_slots[SLOT_ARM_COUNT] = 0;
  }
  mines_laid = mine_latch = mine_latch_count = level_won = 0;
  blast_pickup.state = BLAST_HIDDEN;
  life_pickup.state = LIFE_ABSENT;
  life_pickup_timer = 0;
  blast_timer = 0;
  // The tank's state is left alone: a destroyed tank still waits for its respawn.
  player_tank.x = 384;
  player_tank.y = 340;
  player_tank.frame = 0;

  if (level > LEVEL_COUNT) level = 1;
  enemies_left = LEVEL_TABLE[level - 1].enemies_left;
  enemy_slots = LEVEL_TABLE[level - 1].enemy_slots;

  enemy_list_fill = 0;
  for (int n = 0; n < enemy_slots; n++) {
    if (enemies_placed == enemy_slots) continue;
    int column = RandomNext() % GRID_COLUMNS;
    int row = RandomNext() % GRID_ROWS;
    PlaceEnemy(column, row, PLACE_ON_GRID);
  }
  return 1;
}

int RunLevelWon() {
  PrintFormatted(350, 300, MESSAGE_GREEN, primary_surface, "- W I N N E R -");
  StartSound(snd_plan, 0);
  Sleep(1000);
  CopyPaletteOut(saved_palette);
  RunScreenTransition(TRANSITION_FADE_BLACK, primary_pixels, primary_pitch);
  InstallPalette(saved_palette);
  level++;
  StartLevel();
  StartSound(snd_intro, 0);
  return 1;
}

int RunGameOverStep() {
  respawn_pending = 0;
  score = 0;
  if (game_over_count == 100) {
    game_mode = GAME_MODE_TITLE;
    player_tank.state = PLAYER_IN_PLAY;
  } else {
    game_over_count++;
  }
  PrintFormatted(350, 300, MESSAGE_GREEN, back_buffer, "- G A M E O V E R -");
  return 1;
}
