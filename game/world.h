// The game world: the sprite pools, their state values and per-sprite words, the counters,
// and every rule that changes them. All of it lives for the whole run; nothing is allocated
// during play, a level start only re-initialises these variables in place.
#pragma once
#include <windows.h>

#include "gfx/bob.h"

// Directions, used for shells and enemy headings.
constexpr int DIR_UP = 0;
constexpr int DIR_RIGHT = 1;
constexpr int DIR_DOWN = 2;
constexpr int DIR_LEFT = 3;

// Pool sizes.
constexpr int ENEMY_TANK_COUNT = 8;
constexpr int PLAYER_SHELL_COUNT = 3;
constexpr int ENEMY_SHELL_COUNT = 8;
constexpr int MINE_COUNT = 15;
constexpr int EXPLOSION_COUNT = 8;

// State values, one family per pool.
constexpr int SHELL_IN_FLIGHT = 1;
constexpr int SHELL_READY = 2;
constexpr int MINE_UNLAID = 1;
constexpr int MINE_LAID = 2;
constexpr int EXPLOSION_FREE = 1;
constexpr int EXPLOSION_PLAYING = 2;
constexpr int PLAYER_DESTROYED = 1;
constexpr int PLAYER_IN_PLAY = 2;
constexpr int ENEMY_FREE = 0;
constexpr int ENEMY_ACTIVE = 1;
constexpr int ENEMY_ARRIVING = 2;
constexpr int BLAST_HIDDEN = 1;
constexpr int BLAST_SHOWN = 2;
constexpr int LIFE_ABSENT = 0;
constexpr int LIFE_SHOWN = 1;

constexpr int GAME_MODE_TITLE = 1;
constexpr int GAME_MODE_PLAYING = 2;

// Per-sprite words kept in BOB::user_slots.
constexpr int SLOT_ARRIVE_SIDE = 0;    // enemy tanks
constexpr int SLOT_ARRIVE_STEPS = 1;   // enemy tanks
constexpr int SLOT_HEADING = 2;        // enemy tanks
constexpr int SLOT_TREADS_ON = 3;      // enemy tanks
constexpr int SLOT_AI_MODE = 4;        // enemy tanks
constexpr int SLOT_AI_PERIOD = 5;      // enemy tanks
constexpr int SLOT_AI_COUNT = 6;       // enemy tanks
constexpr int SLOT_HUNT_AXIS = 7;      // enemy tanks
constexpr int SLOT_SHELL_HEADING = 0;  // enemy shells
constexpr int SLOT_ARM_COUNT = 0;      // mines
constexpr int SLOT_DEMO_HEADING = 2;   // player tank, title demo only

constexpr int ARRIVE_FROM_LEFT = 0;
constexpr int ARRIVE_FROM_RIGHT = 1;
constexpr int AI_MOVE = 0;
constexpr int AI_HUNT = 1;
constexpr int HUNT_AXIS_X = 0;
constexpr int HUNT_AXIS_Y = 1;

constexpr int PLACE_ON_GRID = 0;
constexpr int PLACE_ARRIVING = 1;
constexpr int GRID_COLUMNS = 23;
constexpr int GRID_ROWS = 14;

// Frames between tactic draws, picked by one draw of rand() % 4.
constexpr int AI_PERIODS[4] = {100, 140, 220, 200};

constexpr int MINE_ARMED_COUNT = 50;
constexpr int LEVEL_COUNT = 20;

// Per level: the quota to destroy and the tanks placed at its start.
struct LevelEntry {
  int enemies_left;
  int enemy_slots;
};
extern const LevelEntry LEVEL_TABLE[LEVEL_COUNT];

// The world's state, in the order the runner's trace lists it: counters with their value at
// program start, arrays of counters, single sprites and sprite pools. This one list gives the
// definitions, the trace, the tests' reset and the benchmarks' snapshot, so nothing added to
// the world can be forgotten in one of them. The frame driver's counters belong here too: the
// title demo, the banner and the music switch are part of what a frame changes.
#define WORLD_STATE(COUNTER, ARRAY, SPRITE, POOL) \
  COUNTER(game_mode, GAME_MODE_TITLE)             \
  COUNTER(title_frame_count, 0)                   \
  COUNTER(demo_turn_count, 0)                     \
  COUNTER(get_ready_active, 0)                    \
  COUNTER(get_ready_count, 0)                     \
  COUNTER(music_on, 1)                            \
  COUNTER(music_latch, 0)                         \
  COUNTER(music_latch_count, 0)                   \
  COUNTER(debug_display, 0)                       \
  COUNTER(level, 1)                               \
  COUNTER(lives, 8)                               \
  COUNTER(score, 0)                               \
  COUNTER(enemies_left, 0)                        \
  COUNTER(enemy_slots, 0)                         \
  COUNTER(enemies_placed, 0)                      \
  COUNTER(enemies_onscreen, 0)                    \
  ARRAY(enemy_list, ENEMY_TANK_COUNT)             \
  COUNTER(enemy_list_fill, 0)                     \
  COUNTER(arrival_tick, 0)                        \
  COUNTER(arrival_wanted, 0)                      \
  COUNTER(arrival_active, 0)                      \
  COUNTER(mines_laid, 0)                          \
  COUNTER(mine_latch, 0)                          \
  COUNTER(mine_latch_count, 0)                    \
  COUNTER(fire_latch, 0)                          \
  COUNTER(fire_latch_count, 0)                    \
  COUNTER(respawn_pending, 0)                     \
  COUNTER(respawn_count, 0)                       \
  COUNTER(level_won, 0)                           \
  COUNTER(game_over_count, 0)                     \
  COUNTER(blast_timer, 0)                         \
  COUNTER(life_pickup_timer, 0)                   \
  ARRAY(player_shell_dir, PLAYER_SHELL_COUNT)     \
  SPRITE(player_tank)                             \
  SPRITE(life_pickup)                             \
  SPRITE(blast_pickup)                            \
  POOL(enemy_tanks, ENEMY_TANK_COUNT)             \
  POOL(player_shells, PLAYER_SHELL_COUNT)         \
  POOL(enemy_shells, ENEMY_SHELL_COUNT)           \
  POOL(mines, MINE_COUNT)                         \
  POOL(explosions, EXPLOSION_COUNT)

#define WORLD_DECLARE_COUNTER(name, start) extern int name;
#define WORLD_DECLARE_ARRAY(name, count) extern int name[count];
#define WORLD_DECLARE_SPRITE(name) extern BOB name;
#define WORLD_DECLARE_POOL(name, count) extern BOB name[count];
WORLD_STATE(WORLD_DECLARE_COUNTER, WORLD_DECLARE_ARRAY, WORLD_DECLARE_SPRITE, WORLD_DECLARE_POOL)

// Calls visit(name, variable) for each entry of the list above, in its order; `variable` is
// an int, an int array, a BOB or a BOB array, by reference.
template <class Visit>
void VisitWorld(Visit&& visit) {
#define WORLD_VISIT_ONE(name, ...) visit(#name, name);
  WORLD_STATE(WORLD_VISIT_ONE, WORLD_VISIT_ONE, WORLD_VISIT_ONE, WORLD_VISIT_ONE)
#undef WORLD_VISIT_ONE
}

// The palette kept while the screen fades after a level is won.
extern PALETTEENTRY saved_palette[256];

// Sound ids (slot numbers; -1 means no sound).
extern int snd_shot;
extern int snd_explode;
extern int snd_intro;
extern int snd_minedrop;
extern int snd_pickup;
extern int snd_team;
extern int snd_plan;

// A rectangle for a sprite's top-left corner.
struct Bounds {
  int left, right, top, bottom;
};
// The field inside the border, for a 32-pixel tank.
constexpr Bounds TANK_FIELD = {10, 758, 90, 562};
// The whole screen less a tank's 32 pixels: where the title demo's tank drives.
constexpr Bounds DEMO_FIELD = {0, 768, 0, 568};
// Where a shell flies; reaching an edge ends its flight.
constexpr Bounds SHELL_FIELD = {5, 780, 80, 582};

// Puts the sprite one pixel back inside each edge of `bounds` it reached, and returns how
// many edges that was: each wall a tank meets draws a heading of its own.
int KeepInside(BOB* bob, const Bounds& bounds);

// The grid that enemy tanks and the blast pick-up are placed on: 33-pixel cells from (21, 98).
constexpr int GridX(int column) {
  return 21 + 33 * column;
}
constexpr int GridY(int row) {
  return 98 + 33 * row;
}

// Sets frame a, or b when the frame is a already.
void ToggleFrame(BOB* bob, int a, int b);
// One step of a tank's treads: frames d and d + 4 both face direction d, and each step of a
// drive swaps them.
void TurnTreads(BOB* bob, int direction);
// Moves a sprite step pixels along a direction.
int MoveAlong(BOB* bob, int direction, int step);
// One 12-pixel step of a shell; a shell that leaves the field is ready again.
int MoveShell(BOB* shell, int direction);

// A play frame is MoveWorld, then the drawing, then UpdateWorld: what the rules change shows
// from the next frame on.
// The moves: the player's input, both sides' shells, the enemies' treads, and the mines' and
// explosions' animation.
int MoveWorld();
// The rules: arrivals, explosions, mines, pick-ups, latches, the level's end, respawns, and
// the enemies' tactics and moves.
int UpdateWorld();
int ReleaseExplosions();

// Player tank, shells and mines.
int HandlePlayerInput();
int LayMine();
int FirePlayerShell();
int UpdatePlayerShells();
int ArmMines();

// Enemy tanks.
int PlaceEnemy(int column, int row, int mode);
int FreeEnemySlot(int slot);
int ScheduleArrival();
int AdvanceArrival();
int MoveEnemy(int slot);
int AnimateEnemyTreads();
int UpdateEnemyTactics();
int RunEnemyAI();
int FireIfLinedUp(int slot);
int FireEnemyShell(int x, int y, int direction, int slot);
int UpdateEnemyShells();

// Collisions, explosions, score and lives.
int RectsOverlap(int x1, int y1, int w1, int h1, int x2, int y2, int w2, int h2);
int StartExplosion(int x, int y);
int TestShellHits();
int TestPlayerHit(int shell);
int TestMinesOnPlayer();
int TestMinesOnEnemies();
int RunRespawnStep();

// Pick-ups.
int DestroyAllEnemies();
int PlaceBlastPickup(int column, int row);
int UpdateBlastPickup();
int MaybeShowBlastPickup();
int PlaceLifePickup(int x, int y);
int UpdateLifePickup();

// Levels, winner and game over.
int StartLevel();
int RunLevelWon();
int RunGameOverStep();
