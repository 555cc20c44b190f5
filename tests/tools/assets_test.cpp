// The generated data files, read back the way the game reads them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "gfx/bitmap.h"
#include "sound/sound.h"
#include "art/assets.h"

namespace {

using art::kTransparentIndex;

std::string AssetPath(const std::string& name) {
  return FERROWYN_ASSETS_DIR "/" + name;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// One bitmap loaded with the game's own loader, unloaded when the test is done.
struct Loaded {
  BitmapFile bitmap{};
  int result = 0;
  explicit Loaded(const std::string& name) {
    result = LoadBitmapFile(&bitmap, AssetPath(name).c_str());
  }
  ~Loaded() { UnloadBitmapFile(&bitmap); }
  int Width() const { return bitmap.info_header.biWidth; }
  int Height() const { return bitmap.info_header.biHeight; }
  uint8_t At(int x, int y) const { return bitmap.pixels[size_t(y) * Width() + x]; }
};

const char* const kPictures[] = {"PLAYERS.BMP", "EXPLODE.BMP", "ARSENAL.BMP", "BORDER.BMP",
                                 "TITLE.BMP"};

TEST(AssetPictures, LoadWithTheGamesLoaderAtTheirSizesInOnePalette) {
  const std::map<std::string, std::pair<int, int>> smallest = {{"PLAYERS.BMP", {330, 99}},
                                                               {"EXPLODE.BMP", {602, 37}},
                                                               {"ARSENAL.BMP", {340, 34}},
                                                               {"BORDER.BMP", {800, 600}},
                                                               {"TITLE.BMP", {800, 600}}};
  Loaded first("PLAYERS.BMP");
  ASSERT_EQ(first.result, 1);
  for (const char* name : kPictures) {
    SCOPED_TRACE(name);
    Loaded file(name);
    ASSERT_EQ(file.result, 1);
    const BITMAPINFOHEADER& info = file.bitmap.info_header;
    EXPECT_EQ(info.biBitCount, 8);
    EXPECT_EQ(info.biCompression, 0u);
    EXPECT_GT(info.biHeight, 0);  // bottom-up
    EXPECT_EQ(info.biWidth % 4, 0);
    EXPECT_EQ(info.biSizeImage, DWORD(info.biWidth * info.biHeight));
    EXPECT_GE(file.Width(), smallest.at(name).first);
    EXPECT_GE(file.Height(), smallest.at(name).second);
    if (smallest.at(name).first == 800) {
      EXPECT_EQ(file.Width(), 800);
      EXPECT_EQ(file.Height(), 600);
    }
    for (int i = 0; i < 256; ++i) {
      const PALETTEENTRY& a = file.bitmap.palette[i];
      const PALETTEENTRY& b = first.bitmap.palette[i];
      ASSERT_TRUE(a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue)
          << "entry " << i;
    }
  }
  // Both the generator's palette and the file's: black at 0, the key colour unique.
  const PALETTEENTRY* palette = first.bitmap.palette;
  EXPECT_EQ(palette[0].peRed + palette[0].peGreen + palette[0].peBlue, 0);
  for (int i = 0; i < 256; ++i) {
    if (i == kTransparentIndex) continue;
    const PALETTEENTRY& key = palette[kTransparentIndex];
    EXPECT_FALSE(palette[i].peRed == key.peRed && palette[i].peGreen == key.peGreen &&
                 palette[i].peBlue == key.peBlue)
        << "entry " << i << " repeats the key colour";
  }
}

TEST(AssetPictures, TheGamesTextColoursAreExactEntries) {
  const art::Palette& palette = art::GamePalette();
  const art::Color wanted[] = {{0, 255, 0}, {0, 0, 255}, {255, 0, 0}, {255, 255, 0}};
  for (const art::Color& c : wanted) {
    bool found = false;
    for (const art::Color& p : palette) found |= p.r == c.r && p.g == c.g && p.b == c.b;
    EXPECT_TRUE(found) << int(c.r) << "," << int(c.g) << "," << int(c.b);
  }
}

TEST(AssetPictures, EverySpriteCellLiesInsideItsSheetOnAKeyedBackground) {
  for (const art::SheetRow& row : art::kSheetRows) {
    SCOPED_TRACE(std::string(row.file) + " row " + std::to_string(row.row));
    Loaded sheet(row.file);
    ASSERT_EQ(sheet.result, 1);
    ASSERT_LE(art::CellLeft(row, row.frames - 1) + row.cell_width, sheet.Width());
    ASSERT_LE(art::CellTop(row) + row.cell_height, sheet.Height());
    for (int frame = 0; frame < row.frames; ++frame) {
      int left = art::CellLeft(row, frame), top = art::CellTop(row);
      int art = 0;
      for (int y = 0; y < row.cell_height; ++y) {
        for (int x = 0; x < row.cell_width; ++x) {
          bool hidden = x == row.cell_width - 1 || y == row.cell_height - 1;
          bool keyed = sheet.At(left + x, top + y) == kTransparentIndex;
          if (hidden) {
            EXPECT_TRUE(keyed) << "frame " << frame << " at " << x << "," << y;
          }
          if (!hidden && !keyed) ++art;
        }
      }
      EXPECT_EQ(sheet.At(left, top), kTransparentIndex) << "frame " << frame;
      // The game shows frames 10 to 13 of the explosion never; they may fade to nothing.
      if (!(row.file == std::string("EXPLODE.BMP") && frame >= 10)) {
        EXPECT_GT(art, 10) << "frame " << frame << " is empty";
      }
    }
  }
}

TEST(AssetPictures, FullScreenPicturesNeverUseTheKeyColour) {
  for (const char* name : {"BORDER.BMP", "TITLE.BMP"}) {
    Loaded picture(name);
    ASSERT_EQ(picture.result, 1);
    int keyed = 0;
    for (int i = 0; i < 800 * 600; ++i) keyed += picture.bitmap.pixels[i] == kTransparentIndex;
    EXPECT_EQ(keyed, 0) << name;
  }
}

// Frames 0-3 face up, right, down, left; 4-7 the same with the treads moved on.
TEST(AssetPictures, TankFramesTurnAndRollAndTheTwoSidesDiffer) {
  Loaded sheet("PLAYERS.BMP");
  ASSERT_EQ(sheet.result, 1);
  auto pixel = [&](const art::SheetRow& row, int frame, int x, int y) {
    return sheet.At(art::CellLeft(row, frame) + x, art::CellTop(row) + y);
  };
  for (const art::SheetRow& row : {art::kPlayerTankRow, art::kEnemyTankRow}) {
    for (int frame = 1; frame < 8; ++frame) {
      if (frame == 4) continue;
      int mismatched = 0;
      for (int y = 0; y < 31; ++y) {
        for (int x = 0; x < 31; ++x) {
          mismatched += pixel(row, frame, x, y) != pixel(row, frame - 1, y, 30 - x);
        }
      }
      EXPECT_EQ(mismatched, 0) << "frame " << frame << " is not the previous one turned right";
    }
    for (int frame = 0; frame < 4; ++frame) {
      int moved = 0;
      for (int y = 0; y < 31; ++y) {
        for (int x = 0; x < 31; ++x)
          moved += pixel(row, frame, x, y) != pixel(row, frame + 4, x, y);
      }
      EXPECT_GT(moved, 10) << "treads of frame " << frame << " do not move";
    }
  }
  // The player is green, the enemies blue, frame by frame.
  const PALETTEENTRY* palette = sheet.bitmap.palette;
  for (int frame = 0; frame < 8; ++frame) {
    long green = 0, blue = 0;
    for (int y = 0; y < 31; ++y) {
      for (int x = 0; x < 31; ++x) {
        const PALETTEENTRY& p = palette[pixel(art::kPlayerTankRow, frame, x, y)];
        const PALETTEENTRY& e = palette[pixel(art::kEnemyTankRow, frame, x, y)];
        if (pixel(art::kPlayerTankRow, frame, x, y) != kTransparentIndex) {
          green += p.peGreen - p.peBlue;
        }
        if (pixel(art::kEnemyTankRow, frame, x, y) != kTransparentIndex) {
          blue += e.peBlue - e.peGreen;
        }
      }
    }
    EXPECT_GT(green, 5000) << "frame " << frame;
    EXPECT_GT(blue, 5000) << "frame " << frame;
  }
}

TEST(AssetPictures, StatusPanelLeavesThePrintPlacesPlainAndShowsFifteenMines) {
  Loaded border("BORDER.BMP");
  ASSERT_EQ(border.result, 1);
  const PALETTEENTRY* palette = border.bitmap.palette;
  // Room for " 8", " 12", " 12345" in the game's 16-pixel font at each number's place.
  struct Place {
    int x, y, width;
  };
  for (const Place& p :
       {Place{85, 12, 40}, Place{740, 12, 50}, Place{740, 44, 50}, Place{390, 62, 40}}) {
    uint8_t ground = border.At(p.x, p.y);
    const PALETTEENTRY& c = palette[ground];
    EXPECT_LT(c.peRed + c.peGreen + c.peBlue, 150) << "too light behind green at " << p.x;
    for (int y = p.y; y < p.y + 16; ++y) {
      for (int x = p.x; x < p.x + p.width; ++x) {
        ASSERT_EQ(border.At(x, y), ground) << "not plain at " << x << "," << y;
      }
    }
  }
  // Each 6-pixel slice of the gauge shows something the black fill visibly removes.
  for (int mine = 0; mine < 15; ++mine) {
    int lit = 0;
    for (int y = 45; y <= 54; ++y) {
      for (int x = 55 + 6 * mine; x < 61 + 6 * mine; ++x) {
        const PALETTEENTRY& c = palette[border.At(x, y)];
        lit += c.peRed + c.peGreen + c.peBlue > 120;
      }
    }
    EXPECT_GT(lit, 15) << "mine " << mine;
  }
}

TEST(AssetFiles, GeneratingTwiceGivesTheSameBytesAsTheBuild) {
  std::vector<art::DataFile> once = art::GenerateAll();
  std::vector<art::DataFile> twice = art::GenerateAll();
  ASSERT_EQ(once.size(), 12u);
  for (size_t i = 0; i < once.size(); ++i) {
    EXPECT_TRUE(once[i].bytes == twice[i].bytes) << once[i].name;
    EXPECT_TRUE(once[i].bytes == ReadBytes(AssetPath(once[i].name))) << once[i].name;
  }
}

struct SoundExpectation {
  const char* name;
  double shortest, longest;  // seconds
  double lowest_peak, highest_peak;
};
const SoundExpectation kSounds[] = {
    {"Shot.WAV", 0.1, 0.5, 0.9, 0.99},   {"Explode.WAV", 1.0, 3.0, 0.9, 0.99},
    {"intro.WAV", 1.0, 2.0, 0.9, 0.99},  {"Minedrop.WAV", 0.2, 1.0, 0.9, 0.99},
    {"Pickup.WAV", 0.3, 1.0, 0.9, 0.99}, {"team.WAV", 15.0, 40.0, 0.6, 0.9},
    {"plan.WAV", 1.0, 2.0, 0.9, 0.99}};

// The samples of a canonical 44-byte-header file, after checking that header.
std::vector<uint8_t> WaveSamples(const std::vector<uint8_t>& file) {
  auto u32 = [&](size_t at) {
    return uint32_t(file[at]) | uint32_t(file[at + 1]) << 8 | uint32_t(file[at + 2]) << 16 |
           uint32_t(file[at + 3]) << 24;
  };
  auto u16 = [&](size_t at) { return unsigned(file[at]) | unsigned(file[at + 1]) << 8; };
  if (file.size() < 44 || std::string(file.begin(), file.begin() + 4) != "RIFF") return {};
  EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(u32(4), file.size() - 8);
  EXPECT_EQ(u16(20), 1u);  // PCM
  EXPECT_EQ(u16(22), 1u);  // mono
  EXPECT_EQ(u32(24), 11025u);
  EXPECT_EQ(u16(34), 8u);
  EXPECT_EQ(std::string(file.begin() + 36, file.begin() + 40), "data");
  return {file.begin() + 44, file.begin() + 44 + u32(40)};
}

TEST(AssetSounds, FormatLengthLevelsAndNoClippingOrOffset) {
  for (const SoundExpectation& e : kSounds) {
    SCOPED_TRACE(e.name);
    std::vector<uint8_t> samples = WaveSamples(ReadBytes(AssetPath(e.name)));
    ASSERT_FALSE(samples.empty());
    double seconds = double(samples.size()) / 11025.0;
    EXPECT_GE(seconds, e.shortest);
    EXPECT_LE(seconds, e.longest);
    double sum = 0;
    int peak = 0;
    for (uint8_t s : samples) {
      EXPECT_TRUE(s != 0 && s != 255) << "clipped";
      sum += s - 128;
      peak = std::max(peak, std::abs(int(s) - 128));
    }
    EXPECT_LT(std::abs(sum / double(samples.size())), 0.5) << "DC offset";
    EXPECT_GE(peak / 128.0, e.lowest_peak);
    EXPECT_LE(peak / 128.0, e.highest_peak);
    if (std::string(e.name) != "team.WAV") {
      // Effects start and end on silence, so they never click.
      EXPECT_NEAR(samples.front(), 128, 2);
      EXPECT_NEAR(samples.back(), 128, 2);
    }
  }
}

TEST(AssetSounds, MusicLoopsWithoutAClickOrAGap) {
  std::vector<uint8_t> music = WaveSamples(ReadBytes(AssetPath("team.WAV")));
  ASSERT_GT(music.size(), 11025u);
  int widest_step = 0;
  for (size_t i = 1; i < music.size(); ++i) {
    widest_step = std::max(widest_step, std::abs(int(music[i]) - int(music[i - 1])));
  }
  EXPECT_LE(std::abs(int(music.front()) - int(music.back())), widest_step / 2)
      << "the seam jumps further than the music itself does";
  auto rms = [&](size_t from, size_t count) {
    double sum = 0;
    for (size_t i = from; i < from + count; ++i) sum += (music[i] - 128.0) * (music[i] - 128.0);
    return std::sqrt(sum / double(count)) / 128.0;
  };
  const size_t tenth = 1102;
  EXPECT_GT(rms(0, tenth), 0.05) << "silent start";
  EXPECT_GT(rms(music.size() - tenth, tenth), 0.05) << "silent end";
}

TEST(AssetSounds, LoadWithTheGamesLoaderInTheGamesOrder) {
  CloseSoundSystem();
  sound_first_open = 1;
  ASSERT_EQ(OpenSoundSystem(), 1);
  int expected_id = 0;
  for (const SoundExpectation& e : kSounds) {
    int id = LoadWaveSound(AssetPath(e.name).c_str(), 224);
    EXPECT_EQ(id, expected_id++) << e.name;
    if (id < 0) continue;
    EXPECT_EQ(sound_slots[id].sample_rate, 11025);
    EXPECT_EQ(size_t(sound_slots[id].byte_count), WaveSamples(ReadBytes(AssetPath(e.name))).size());
  }
  UnloadAllSounds();
  CloseSoundSystem();
}

// Tools nobody here wrote must read the files too; skipped where they are not installed.
std::string RunCommand(const std::string& command) {
  std::string out;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return out;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
  pclose(pipe);
  return out;
}

TEST(AssetFiles, OutsideToolsReadThem) {
  if (RunCommand("command -v identify").empty() || RunCommand("command -v soxi").empty()) {
    GTEST_SKIP() << "ImageMagick or SoX not installed";
  }
  for (const char* name : kPictures) {
    std::string out = RunCommand("identify -format '%m %wx%h %z %k' '" + AssetPath(name) + "'");
    EXPECT_EQ(out.rfind("BMP", 0), 0u) << out;
    EXPECT_NE(out.find(" 8 "), std::string::npos) << name << ": " << out;
  }
  for (const SoundExpectation& e : kSounds) {
    std::string path = "'" + AssetPath(e.name) + "'";
    EXPECT_EQ(RunCommand("soxi -r " + path), "11025\n") << e.name;
    EXPECT_EQ(RunCommand("soxi -c " + path), "1\n") << e.name;
    EXPECT_EQ(RunCommand("soxi -b " + path), "8\n") << e.name;
    double seconds = std::atof(RunCommand("soxi -D " + path).c_str());
    EXPECT_GE(seconds, e.shortest) << e.name;
    EXPECT_LE(seconds, e.longest) << e.name;
  }
}

// The desktop's and the web page's smaller icons average what each pixel covers, so a fine
// pattern turns to its mean rather than to whichever pixel a sample hits; larger ones repeat
// pixels.
TEST(AssetIcon, SmallerSizesAverageAndLargerOnesRepeat) {
  const art::Palette& palette = art::GamePalette();
  int white = 0;
  auto brightness = [&](int i) { return palette[i].r + palette[i].g + palette[i].b; };
  for (int i = 0; i < 256; ++i)
    if (i != kTransparentIndex && brightness(i) > brightness(white)) white = i;
  art::Image checks(8, 8, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      if ((x + y) % 2) checks.At(x, y) = uint8_t(white);

  for (int size : {4, 3, 2}) {
    SCOPED_TRACE(size);
    art::Image small = art::ScaleIcon(checks, size);
    ASSERT_EQ(small.width, size);
    ASSERT_EQ(small.height, size);
    for (uint8_t index : small.pixels) {
      EXPECT_GT(brightness(index), brightness(white) / 4);
      EXPECT_LT(brightness(index), brightness(white) * 3 / 4);
    }
  }
  art::Image large = art::ScaleIcon(checks, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      ASSERT_EQ(brightness(large.At(x, y)), brightness(checks.At(x / 2, y / 2))) << x << "," << y;
}

}  // namespace
