// A damaged data folder: each data file missing, empty, cut at half, or replaced by noise.
// The game must still start, play and end cleanly, warning about the file it cannot read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "game/scenario_support.h"
#include "support/temp_path.h"

namespace {

namespace fs = std::filesystem;
using scenario::Json;

const char* const kDataFiles[] = {
    "PLAYERS.BMP", "EXPLODE.BMP", "ARSENAL.BMP",  "BORDER.BMP", "TITLE.BMP", "Shot.WAV",
    "Explode.WAV", "intro.WAV",   "Minedrop.WAV", "Pickup.WAV", "team.WAV",  "plan.WAV",
};

enum class Damage { kMissing, kEmpty, kHalf, kNoise };

std::string DamageName(Damage damage) {
  switch (damage) {
    case Damage::kMissing:
      return "Missing";
    case Damage::kEmpty:
      return "Empty";
    case Damage::kHalf:
      return "Half";
    case Damage::kNoise:
      return "Noise";
  }
  return "";
}

std::vector<char> Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A copy of the generated data folder with `name` damaged.
std::string DamagedFolder(const std::string& name, Damage damage) {
  fs::path dir = TempPath("data-" + name + "-" + DamageName(damage));
  fs::remove_all(dir);
  fs::create_directories(dir);
  for (const char* file : kDataFiles)
    fs::copy_file(fs::path(FERROWYN_ASSETS_DIR) / file, dir / file);
  fs::path target = dir / name;
  std::vector<char> bytes = Bytes(target);
  fs::remove(target);
  if (damage == Damage::kMissing) return dir.string();
  if (damage == Damage::kEmpty) bytes.clear();
  if (damage == Damage::kHalf) bytes.resize(bytes.size() / 2);
  if (damage == Damage::kNoise) {
    std::mt19937 noise(static_cast<unsigned>(bytes.size()));
    for (char& byte : bytes) byte = static_cast<char>(noise());
  }
  std::ofstream(target, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
  return dir.string();
}

class DamagedData : public testing::TestWithParam<std::tuple<const char*, Damage>> {};

TEST_P(DamagedData, GameStartsPlaysAndEndsCleanly) {
  const std::string name = std::get<0>(GetParam());
  const Damage damage = std::get<1>(GetParam());
  std::string dir = DamagedFolder(name, damage);
  long frames = 0, playing = 0;
  std::string broken;
  // The title, F1, then a player driving, firing and laying mines.
  auto run = scenario::StreamGame(
      {"--frames", "2000", "--data", dir},
      "0 tap F1\n5 down LEFT\n5 down SPACE\n400 up LEFT\n400 down UP\n900 tap LCONTROL\n",
      [&](const Json& frame, const Json* before) {
        ++frames;
        if (frame["game_mode"].Int() == scenario::kPlaying) ++playing;
        if (broken.empty()) broken = scenario::BrokenInvariant(frame, before);
      });
  fs::remove_all(dir);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(frames, 2000);
  EXPECT_GT(playing, 500);
  EXPECT_EQ(broken, "");
  // A wave cut short still holds a playable start, and is played as far as it goes.
  bool readable = damage == Damage::kHalf && name.ends_with(".WAV");
  std::string warning = "cannot read " + name;
  if (readable) {
    EXPECT_EQ(run.err.find(warning), std::string::npos) << run.err;
  } else {
    EXPECT_NE(run.err.find(warning), std::string::npos) << run.err;
  }
}

INSTANTIATE_TEST_SUITE_P(EachFile, DamagedData,
                         testing::Combine(testing::ValuesIn(kDataFiles),
                                          testing::Values(Damage::kMissing, Damage::kEmpty,
                                                          Damage::kHalf, Damage::kNoise)),
                         [](const testing::TestParamInfo<DamagedData::ParamType>& info) {
                           std::string file = std::get<0>(info.param);
                           for (char& c : file) {
                             if (c == '.') c = '_';
                           }
                           return file + "_" + DamageName(std::get<1>(info.param));
                         });

TEST(DamagedDataFolder, GameRunsWithNoDataFilesAtAll) {
  fs::path dir = TempPath("data-none");
  fs::create_directories(dir);
  auto run = scenario::StreamGame({"--frames", "2000", "--data", dir.string()}, "0 tap F1\n",
                                  [](const Json&, const Json*) {});
  fs::remove_all(dir);
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char* file : kDataFiles) {
    EXPECT_NE(run.err.find(std::string("cannot read ") + file), std::string::npos) << file;
  }
}

}  // namespace
