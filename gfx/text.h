// Text on any surface through its device context, and the optional diagnostic log.
#pragma once
#include <windows.h>
#include <ddraw.h>

int PrintText(const char* text, int x, int y, COLORREF colour, LPDIRECTDRAWSURFACE surface);
int PrintTextIndexed(const char* text, int x, int y, int index, LPDIRECTDRAWSURFACE surface);
int OpenLog(const char* name);
int CloseLog();
int WriteLog(const char* format, ...);
