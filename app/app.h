// The program: start-up and shutdown, the frame driver with its title and playing modes, the
// status panel, and the window procedure. The counters a frame changes (the title demo's, the
// banner's, the music switch's) are listed with the world's in game/world.h, so traces and
// tests see them all.
#pragma once
#include <windows.h>
#include <ddraw.h>

#include "game/world.h"
#include "gfx/bitmap.h"

constexpr DWORD FRAME_TIME_MS = 22;

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

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
