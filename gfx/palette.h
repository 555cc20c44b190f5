// The engine's copy of the 256-colour screen palette, kept in step with the device.
#pragma once
#include <windows.h>

int InstallPalette(const PALETTEENTRY* entries);
int CopyPaletteOut(PALETTEENTRY* entries);
int SetPaletteEntry(int index, const PALETTEENTRY* entry);
int GetPaletteEntry(int index, PALETTEENTRY* entry);
int RotatePalette(int first, int count);
int LoadPaletteFile(const char* name, PALETTEENTRY* entries);
int SavePaletteFile(const char* name, const PALETTEENTRY* entries);
