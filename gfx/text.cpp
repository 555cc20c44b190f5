#include "gfx/text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "gfx/display.h"

char text_buffer[80];

namespace {
std::FILE* log_file = nullptr;
}

int PrintText(const char* text, int x, int y, COLORREF colour, LPDIRECTDRAWSURFACE surface) {
  HDC dc = nullptr;
  if (!surface || surface->GetDC(&dc) != DD_OK) return 0;
  SetTextColor(dc, colour);
  SetBkMode(dc, TRANSPARENT);
  TextOutA(dc, x, y, text, static_cast<int>(std::strlen(text)));
  surface->ReleaseDC(dc);
  return 1;
}

int PrintTextIndexed(const char* text, int x, int y, int index, LPDIRECTDRAWSURFACE surface) {
  if (index < 0 || index > 255) return 0;
  const PALETTEENTRY* entry = &palette_entries[index];
  return PrintText(text, x, y, RGB(entry->peRed, entry->peGreen, entry->peBlue), surface);
}

int PrintFormatted(int x, int y, COLORREF colour, LPDIRECTDRAWSURFACE surface, const char* format,
                   ...) {
  va_list args;
  va_start(args, format);
  std::vsnprintf(text_buffer, sizeof text_buffer, format, args);
  va_end(args);
  return PrintText(text_buffer, x, y, colour, surface);
}

int OpenLog(const char* name) {
  std::FILE* file = std::fopen(name, "w");
  if (!file) return 0;
  if (log_file) CloseLog();
  log_file = file;
  WriteLog("\nOpening Error Output File (%s):\n", name);
  return 1;
}

int CloseLog() {
  if (!log_file) return 0;
  WriteLog("\nClosing Error Output File.");
  std::fclose(log_file);
  log_file = nullptr;
  return 1;
}

int WriteLog(const char* format, ...) {
  if (!format || !log_file) return 0;
  // Messages are cut to the 80-character buffer, terminator included.
  char message[80];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof(message), format, args);
  va_end(args);
  std::fputs(message, log_file);
  return 1;
}
