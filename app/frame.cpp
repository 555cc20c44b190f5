#include <windows.h>

#include "app/app.h"
#include "game/world.h"
#include "shell/app_shell.h"
#include "gfx/bitmap.h"
#include "gfx/bob.h"
#include "gfx/display.h"
#include "shell/random.h"
#include "gfx/text.h"
#include "sound/sound.h"

namespace {

const COLORREF GREEN = RGB(0, 255, 0);

int KeyDown(int virtual_key) {
  return (GetAsyncKeyState(virtual_key) & 0x8000) != 0;
}

// Wipes the back buffer and copies a full-screen picture over it, every pixel.
void DrawBackground(const Picture* picture) {
  FillSurface(back_buffer, 0);
  if (!LockBackBuffer()) return;
  DrawPicture(picture, back_pixels, back_pitch, 0);
  UnlockBackBuffer();
}

void StartGame() {
  RandomSeed(static_cast<uint32_t>(title_frame_count));
  level = 1;
  StartLevel();
  game_over_count = 0;
  lives = 8;
  game_mode = GAME_MODE_PLAYING;
  StartSound(snd_intro, 0);
}

void DrawPools() {
  for (BOB& mine : mines)
    if (mine.state == MINE_LAID) DrawBob(&mine, back_buffer);
  for (BOB& shell : player_shells)
    if (shell.state == SHELL_IN_FLIGHT) DrawBob(&shell, back_buffer);
  for (BOB& shell : enemy_shells)
    if (shell.state == SHELL_IN_FLIGHT) DrawBob(&shell, back_buffer);
  for (BOB& tank : enemy_tanks)
    if (tank.state == ENEMY_ACTIVE || tank.state == ENEMY_ARRIVING) DrawBob(&tank, back_buffer);
  if (player_tank.state == PLAYER_IN_PLAY) DrawBob(&player_tank, back_buffer);
  if (blast_pickup.state == BLAST_SHOWN) DrawBob(&blast_pickup, back_buffer);
  if (life_pickup.state == LIFE_SHOWN) DrawBobScaled(&life_pickup, 25, 25, back_buffer);
  for (BOB& explosion : explosions)
    if (explosion.state == EXPLOSION_PLAYING) DrawBob(&explosion, back_buffer);
}

void RunPlayFrame() {
  MoveWorld();
  DrawBackground(&border_picture);
  DrawPools();
  DrawStatusPanel();
  // The rules run after the drawing: what they move shows from the next frame on.
  UpdateWorld();
  if (get_ready_active == 1) DrawLevelBanner();
}

}  // namespace

int RunFrame() {
  MarkFrameStart();
  // Escape only asks for the end; the frame still runs and the loop quits later.
  if (KeyDown(VK_ESCAPE)) PostMessageA(main_window, WM_DESTROY, 0, 0);

  if (game_mode == GAME_MODE_TITLE) {
    DrawBackground(&title_picture);
    RunTitleDemo();
    title_frame_count = title_frame_count == 1000 ? 0 : title_frame_count + 1;
    if (KeyDown(VK_F1)) StartGame();
  }
  // Tested afresh, so the frame in which F1 was seen already plays.
  if (game_mode == GAME_MODE_PLAYING) RunPlayFrame();

  HandleMusicToggle();
  FlipPages();
  WaitFrameTime(FRAME_TIME_MS);
  return 1;
}

int RunTitleDemo() {
  int* heading = &player_tank.user_slots[SLOT_DEMO_HEADING];
  if (demo_turn_count == 100) {
    *heading = RandomNext() % 4;
    demo_turn_count = 0;
  } else {
    demo_turn_count++;
  }
  TurnTreads(&player_tank, *heading);
  MoveAlong(&player_tank, *heading, 3);
  // Each wall draws a new heading.
  for (int walls = KeepInside(&player_tank, DEMO_FIELD); walls > 0; walls--)
    *heading = RandomNext() % 4;
  DrawBob(&player_tank, back_buffer);
  return 1;
}

int HandleMusicToggle() {
  if (KeyDown(VK_F4) && music_latch == 0) {
    music_on = music_on == 1 ? 0 : 1;
    SetSoundVolume(snd_team, music_on == 1 ? 100 : 0);
    music_latch = 1;
  }
  if (music_latch == 1) {
    if (music_latch_count == 50) {
      music_latch = 0;
      music_latch_count = 0;
    } else {
      music_latch_count++;
    }
    PrintFormatted(365, 300, GREEN, back_buffer, "%s", music_on == 1 ? "MUSIC ON" : "MUSIC OFF");
  }
  return 1;
}

int DrawLevelBanner() {
  if (get_ready_count == 100) {
    get_ready_count = 0;
    get_ready_active = 0;
  } else {
    get_ready_count++;
  }
  COLORREF colour = RGB(2 * get_ready_count, 255, 0);
  PrintFormatted(350, 200, colour, back_buffer, "G E T    R E A D Y");
  PrintFormatted(370, 220, colour, back_buffer, "L E V E L");
  PrintFormatted(390, 240, colour, back_buffer, " %d", level);
  return 1;
}
