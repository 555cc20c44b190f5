#include "gfx/palette.h"

#include <cstdio>
#include <cstring>

#include "gfx/display.h"

int InstallPalette(const PALETTEENTRY* entries) {
  std::memcpy(palette_entries, entries, sizeof(palette_entries));
  if (screen_palette) screen_palette->SetEntries(0, 0, 256, palette_entries);
  return 1;
}

int CopyPaletteOut(PALETTEENTRY* entries) {
  std::memcpy(entries, palette_entries, sizeof(palette_entries));
  return 1;
}

namespace {

bool ValidIndex(int index) {
  return index >= 0 && index < 256;
}

}  // namespace

int SetPaletteEntry(int index, const PALETTEENTRY* entry) {
  if (!ValidIndex(index)) return 0;
  PALETTEENTRY copy = *entry;
  if (screen_palette) screen_palette->SetEntries(0, static_cast<DWORD>(index), 1, &copy);
  palette_entries[index] = copy;
  return 1;
}

int GetPaletteEntry(int index, PALETTEENTRY* entry) {
  if (!ValidIndex(index)) return 0;
  *entry = palette_entries[index];
  return 1;
}

int RotatePalette(int first, int count) {
  if (!ValidIndex(first) || count < 1 || first + count > 256) return 0;
  if (!screen_palette) return 1;
  PALETTEENTRY work[256];
  std::memset(work, 0, sizeof(work));
  DWORD base = static_cast<DWORD>(first);
  DWORD n = static_cast<DWORD>(count);
  screen_palette->GetEntries(0, base, n, work);
  screen_palette->SetEntries(0, base + 1, n - 1, work);
  screen_palette->SetEntries(0, base, 1, &work[n - 1]);
  // The copy is read back from the device so the two cannot drift apart.
  screen_palette->GetEntries(0, 0, 256, palette_entries);
  return 1;
}

int LoadPaletteFile(const char* name, PALETTEENTRY* entries) {
  std::FILE* file = std::fopen(name, "r");
  if (!file) return 0;
  for (int i = 0; i < 256; i++) {
    unsigned red, green, blue, flags;
    // A file that ends early leaves the remaining entries as they were.
    if (std::fscanf(file, "%u %u %u %u", &red, &green, &blue, &flags) != 4) break;
    entries[i].peRed = static_cast<BYTE>(red);
    entries[i].peGreen = static_cast<BYTE>(green);
    entries[i].peBlue = static_cast<BYTE>(blue);
    entries[i].peFlags = static_cast<BYTE>(flags);
  }
  std::fclose(file);
  return 1;
}

int SavePaletteFile(const char* name, const PALETTEENTRY* entries) {
  std::FILE* file = std::fopen(name, "w");
  if (!file) return 0;
  for (int i = 0; i < 256; i++) {
    std::fprintf(file, "\n%u %u %u %u", entries[i].peRed, entries[i].peGreen, entries[i].peBlue,
                 entries[i].peFlags);
  }
  std::fclose(file);
  return 1;
}
