// The application shell: start-up and shutdown, the frame driver with its title and playing
// modes, the status panel, and the window procedure. game_mode, get_ready_active and the
// snd_* ids belong to the world (game/world.h) since the rules write them too.
#pragma once
#include <windows.h>
#include <ddraw.h>

#include "game/world.h"
#include "gfx/bitmap.h"

constexpr DWORD FRAME_TIME_MS = 22;

extern int title_frame_count;
extern int demo_turn_count;
extern int get_ready_count;
extern int music_on;
extern int music_latch;
extern int music_latch_count;
extern char text_buffer[80];

extern BitmapFile work_bitmap;
extern Picture title_picture;
extern Picture border_picture;

int StartUpGame();
int ShutDownGame();
int LoadGameSounds();
int RandomiseEnemyTactics();

int RunFrame();
int RunTitleDemo();
int HandleMusicToggle();
int DrawLevelBanner();

int DrawStatusPanel();

// Formats into text_buffer, cut to its size, and prints it with PrintText.
int PrintFormatted(int x, int y, COLORREF colour, LPDIRECTDRAWSURFACE surface, const char* format,
                   ...) __attribute__((format(printf, 5, 6)));

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
