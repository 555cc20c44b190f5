// ferrowyn-assets DIR: writes the game's five pictures and seven sounds into DIR.
// ferrowyn-assets --icon FILE.png [SIZE]: writes the desktop icon.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "art/assets.h"

namespace {

void PrintUsage(FILE* to) {
  std::fputs(
      "usage: ferrowyn-assets DIR\n"
      "       ferrowyn-assets --icon FILE.png [SIZE]\n"
      "Writes the game's data files into DIR (which must exist):\n"
      "  PLAYERS.BMP EXPLODE.BMP ARSENAL.BMP BORDER.BMP TITLE.BMP\n"
      "  Shot.WAV Explode.WAV intro.WAV Minedrop.WAV Pickup.WAV team.WAV plan.WAV\n"
      "or, with --icon, the desktop icon as a PNG, SIZE pixels square (8 to 1024; 256 if not\n"
      "given).\n"
      "The files are the same, byte for byte, on every run.\n",
      to);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    PrintUsage(stdout);
    return 0;
  }
  bool icon = (argc == 3 || argc == 4) && std::strcmp(argv[1], "--icon") == 0;
  int size = art::kIconSize;
  if (icon && argc == 4) {
    char* end = nullptr;
    long value = std::strtol(argv[3], &end, 10);
    if (*end != '\0' || value < 8 || value > 1024) icon = false;
    size = int(value);
  }
  bool dir = argc == 2 && argv[1][0] != '-';
  if (!dir && !icon) {
    PrintUsage(stderr);
    return 2;
  }
  std::string error;
  bool written = icon ? art::WriteIcon(argv[2], size, &error) : art::WriteAll(argv[1], &error);
  if (!written) {
    std::fprintf(stderr, "ferrowyn-assets: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
