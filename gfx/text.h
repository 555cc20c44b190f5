// Text on any surface through its device context, and the optional diagnostic log.
#pragma once
#include <windows.h>
#include <ddraw.h>

// The buffer PrintFormatted formats into; holds the last formatted text.
extern char text_buffer[80];

// Draws text at (x, y) in the palette entry nearest to `colour`, with a transparent
// background; 0 when the surface's device context cannot be had.
int PrintText(const char* text, int x, int y, COLORREF colour, LPDIRECTDRAWSURFACE surface);
// PrintText in the colour of palette entry `index` (0..255). Offered, not used by the game.
int PrintTextIndexed(const char* text, int x, int y, int index, LPDIRECTDRAWSURFACE surface);
// Formats into text_buffer, cut to its size, and prints it with PrintText.
int PrintFormatted(int x, int y, COLORREF colour, LPDIRECTDRAWSURFACE surface, const char* format,
                   ...) __attribute__((format(printf, 5, 6)));

// The diagnostic log: opens (truncating) the named file, closes it, and writes one message
// cut to 80 characters. Offered, not used by the game.
int OpenLog(const char* name);
int CloseLog();
int WriteLog(const char* format, ...);
