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

// Sprite pools.
extern BOB player_tank;
extern BOB enemy_tanks[ENEMY_TANK_COUNT];
extern BOB player_shells[PLAYER_SHELL_COUNT];
extern BOB enemy_shells[ENEMY_SHELL_COUNT];
extern BOB mines[MINE_COUNT];
extern BOB explosions[EXPLOSION_COUNT];
extern BOB blast_pickup;
extern BOB life_pickup;

// Side arrays.
extern int player_shell_dir[PLAYER_SHELL_COUNT];
extern int enemy_list[ENEMY_TANK_COUNT];
extern int enemy_list_fill;

// Scalars.
extern int lives;
extern int score;
extern int level;
extern int enemies_left;
extern int enemy_slots;
extern int enemies_placed;
extern int enemies_onscreen;
extern int arrival_tick;
extern int arrival_wanted;
extern int arrival_active;
extern int mines_laid;
extern int mine_latch;
extern int mine_latch_count;
extern int fire_latch;
extern int fire_latch_count;
extern int respawn_pending;
extern int respawn_count;
extern int level_won;
extern int game_over_count;
extern int blast_timer;
extern int life_pickup_timer;
extern int get_ready_active;
extern int debug_display;
extern int game_mode;

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

// Sets frame a, or b when the frame is a already: how a tank's treads turn.
void ToggleFrame(BOB* bob, int a, int b);
// Moves a sprite step pixels along a direction.
int MoveAlong(BOB* bob, int direction, int step);
// One 12-pixel step of a shell; a shell that leaves the field is ready again.
int MoveShell(BOB* shell, int direction);

// The per-frame rules step.
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
