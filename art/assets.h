// Generator of every picture and sound the game reads. Everything is made from code with
// fixed seeds, so the same build writes the same bytes on every run.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace art {

struct Color {
  uint8_t r, g, b;
};
using Palette = std::array<Color, 256>;

// Index 0 is black; index 96 is the sprites' colour key and is used nowhere else.
constexpr int kTransparentIndex = 96;
const Palette& GamePalette();

// An 8-bit image, top row first, rows packed.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;

  Image() = default;
  Image(int w, int h, uint8_t fill) : width(w), height(h), pixels(size_t(w) * h, fill) {}
  uint8_t& At(int x, int y) { return pixels[size_t(y) * width + x]; }
  uint8_t At(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

// Where the game takes its frames from: `frames` cells of cell_width x cell_height in row `row`
// of a sheet laid out on the one-pixel grid.
struct SheetRow {
  const char* file;
  int row;
  int frames;
  int cell_width;
  int cell_height;
};
constexpr SheetRow kPlayerTankRow{"PLAYERS.BMP", 0, 8, 32, 32};
constexpr SheetRow kEnemyTankRow{"PLAYERS.BMP", 1, 8, 32, 32};
constexpr SheetRow kBlastRow{"PLAYERS.BMP", 2, 10, 32, 32};
constexpr SheetRow kExplosionRow{"EXPLODE.BMP", 0, 14, 42, 36};
constexpr SheetRow kMineRow{"ARSENAL.BMP", 0, 20, 16, 16};
constexpr SheetRow kShellRow{"ARSENAL.BMP", 1, 1, 16, 16};
constexpr std::array<SheetRow, 6> kSheetRows{kPlayerTankRow, kEnemyTankRow, kBlastRow,
                                             kExplosionRow,  kMineRow,      kShellRow};

// Top-left pixel of a cell on the grid (a one-pixel line before every row and column).
constexpr int CellLeft(const SheetRow& r, int column) {
  return 1 + column * (r.cell_width + 1);
}
constexpr int CellTop(const SheetRow& r) {
  return 1 + r.row * (r.cell_height + 1);
}

constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;

Image MakePlayersSheet();
Image MakeExplodeSheet();
Image MakeArsenalSheet();
Image MakeBorder();
Image MakeTitle();

// The desktop icon, kIconSize pixels square, in the game's palette.
constexpr int kIconSize = 256;
Image MakeIcon();
// The icon at another size for the desktop's and the web page's icon sets: each pixel the
// average colour of the pixels it covers (repeated when enlarging), so the small sizes keep
// the tank's outline instead of a random sample of its dithering.
Image ScaleIcon(const Image& icon, int size);

// Windows bitmap: 8-bit, uncompressed, bottom-up, image size filled in. Width must be a
// multiple of 4 (the game's loader does not skip row padding).
std::vector<uint8_t> EncodeBmp(const Image& image, const Palette& palette);

constexpr int kSampleRate = 11025;
// 8-bit unsigned samples, 128 = silence.
using Samples = std::vector<uint8_t>;

Samples MakeShot();
Samples MakeExplosion();
Samples MakeIntro();
Samples MakeMineDrop();
Samples MakePickup();
Samples MakeMusic();
Samples MakeLevelWon();

// RIFF/WAVE, PCM, mono, 8 bits, 11025 Hz.
std::vector<uint8_t> EncodeWav(const Samples& samples);

struct DataFile {
  std::string name;
  std::vector<uint8_t> bytes;
};
// The twelve files, pictures first.
std::vector<DataFile> GenerateAll();
// Writes them into `dir` (which must exist). On failure returns false and says why in *error.
bool WriteAll(const std::string& dir, std::string* error);
// Writes the icon, `size` pixels square, as a PNG; on failure returns false and says why in
// *error.
bool WriteIcon(const std::string& path, int size, std::string* error);

}  // namespace art
