// ferrowyn-assets DIR: writes the game's five pictures and seven sounds into DIR.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/assets/assets.h"

namespace {

void PrintUsage(FILE* to) {
  std::fputs(
      "usage: ferrowyn-assets DIR\n"
      "Writes the game's data files into DIR (which must exist):\n"
      "  PLAYERS.BMP EXPLODE.BMP ARSENAL.BMP BORDER.BMP TITLE.BMP\n"
      "  Shot.WAV Explode.WAV intro.WAV Minedrop.WAV Pickup.WAV team.WAV plan.WAV\n"
      "The files are the same, byte for byte, on every run.\n",
      to);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    PrintUsage(stdout);
    return 0;
  }
  if (argc != 2) {
    PrintUsage(stderr);
    return 2;
  }
  std::string error;
  if (!assets::WriteAll(argv[1], &error)) {
    std::fprintf(stderr, "ferrowyn-assets: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
