// Clipped pixel runs and the blocking screen transitions (fades, tints, wipes, dissolve).
#pragma once
#include <windows.h>

constexpr int TRANSITION_FADE_BLACK = 0;
constexpr int TRANSITION_FADE_WHITE = 1;
constexpr int TRANSITION_WIPE_COLUMNS = 2;
constexpr int TRANSITION_WIPE_ROWS = 3;
constexpr int TRANSITION_DISSOLVE = 4;
constexpr int TRANSITION_WIPE_CROSS = 5;
constexpr int TRANSITION_TINT_BLUE = 6;
constexpr int TRANSITION_TINT_RED = 7;
constexpr int TRANSITION_TINT_GREEN = 8;
constexpr DWORD TRANSITION_STEP_MS = 12;

// A run of one colour along a row or a column, in either order, clipped to the clip
// rectangle. Offered, not used by the game (the wipes use them).
void FillRowSpan(int x1, int x2, int y, int colour, UCHAR* pixels, int pitch);
void FillColumnSpan(int y1, int y2, int x, int colour, UCHAR* pixels, int pitch);
// Plays one transition to the end, a step every TRANSITION_STEP_MS: palette fades and tints,
// or wipes and a dissolve drawn into the locked memory given.
void RunScreenTransition(int effect, UCHAR* pixels, int pitch);
