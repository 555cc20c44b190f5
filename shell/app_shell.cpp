#include "shell/app_shell.h"

HWND main_window = nullptr;
HINSTANCE app_instance = nullptr;
DWORD frame_start_tick = 0;

DWORD ReadTickCount() {
  return GetTickCount();
}

DWORD MarkFrameStart() {
  frame_start_tick = ReadTickCount();
  return frame_start_tick;
}

DWORD WaitFrameTime(DWORD ms) {
  for (;;) {
    // Unsigned difference: a wrap of the tick counter neither stalls nor skips the wait.
    DWORD elapsed = ReadTickCount() - frame_start_tick;
    if (elapsed >= ms) return ReadTickCount();
    DWORD left = ms - elapsed;
    // Sleep through most of the wait; only the last couple of milliseconds are polled,
    // since a sleep may overshoot by a scheduler tick.
    Sleep(left > 2 ? left - 2 : 0);
  }
}
