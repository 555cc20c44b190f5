// The engine's copy of the 256-colour screen palette, kept in step with the device.
#pragma once
#include <windows.h>

// Sets all 256 entries, on the device and in palette_entries.
int InstallPalette(const PALETTEENTRY* entries);
// Copies the 256 entries the engine keeps into `entries`.
int CopyPaletteOut(PALETTEENTRY* entries);
// Sets one entry (0..255) on the device and in the copy. Offered, not used by the game.
int SetPaletteEntry(int index, const PALETTEENTRY* entry);
// Reads one entry (0..255) from the copy. Offered, not used by the game.
int GetPaletteEntry(int index, PALETTEENTRY* entry);
// Shifts `count` device entries from `first` up by one, the last wrapping to the first.
// Offered, not used by the game.
int RotatePalette(int first, int count);
// Reads and writes 256 entries as text lines "red green blue flags"; a file that ends early
// leaves the remaining entries as they were. Offered, not used by the game.
int LoadPaletteFile(const char* name, PALETTEENTRY* entries);
int SavePaletteFile(const char* name, const PALETTEENTRY* entries);
