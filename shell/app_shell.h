// The window handles the devices bind to, and the millisecond frame clock.
#pragma once
#include <windows.h>

extern HWND main_window;        // set once the main window exists
extern HINSTANCE app_instance;  // the instance handle given to WinMain
extern DWORD frame_start_tick;  // tick taken by the last MarkFrameStart

// The millisecond tick, and a mark of it as the frame's start (kept in frame_start_tick).
DWORD ReadTickCount();
DWORD MarkFrameStart();
// Returns the first tick reading at least ms after the last mark. Sleeps most of the wait
// and spins only for the last moment, so a frame does not hold a core at 100 %.
DWORD WaitFrameTime(DWORD ms);
