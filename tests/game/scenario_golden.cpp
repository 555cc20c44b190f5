// Drawing and rules byte for byte: two scripted runs, their traces and many of their pages
// (the fades between levels page by page) hashed and compared with hashes recorded from an
// earlier build. Work on the drawing paths for speed must leave every one of them alone.
//
// After an intended change to what is drawn or traced, record afresh with
// FERROWYN_RECORD_GOLDEN=1 build/tests/game_tests --gtest_filter='ScenarioGolden.*'
// and commit tests/data/scenario-golden.txt with the change.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "game/scenario_support.h"

namespace {

using scenario::RunGame;

const char kGoldenFile[] = FERROWYN_TEST_DATA "/scenario-golden.txt";

uint64_t Fnv1a(const std::string& bytes) {
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

std::string Line(const std::string& name, const std::string& bytes) {
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(Fnv1a(bytes)));
  return name + " " + hex;
}

// "run/trace <hash>" then "run/<page>.png <hash>" for every capture, by name.
std::vector<std::string> HashRun(const std::string& run_name, const scenario::RunResult& run,
                                 const std::string& pages) {
  std::vector<std::string> lines{Line(run_name + "/trace", run.trace)};
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(pages))
    files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const auto& file : files)
    lines.push_back(
        Line(run_name + "/" + file.filename().string(), scenario::ReadFile(file.string())));
  return lines;
}

std::vector<std::string> ReadGolden(const std::string& prefix) {
  std::ifstream in(kGoldenFile);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    if (line.rfind(prefix, 0) == 0) lines.push_back(line);
  return lines;
}

// Compares with the recorded lines of this run, or records them when asked to.
void CheckAgainstGolden(const std::string& run_name, const std::vector<std::string>& lines) {
  if (std::getenv("FERROWYN_RECORD_GOLDEN")) {
    std::vector<std::string> kept;
    std::ifstream in(kGoldenFile);
    for (std::string line; std::getline(in, line);)
      if (line.rfind(run_name + "/", 0) != 0) kept.push_back(line);
    kept.insert(kept.end(), lines.begin(), lines.end());
    std::ofstream out(kGoldenFile);
    for (const std::string& line : kept) out << line << "\n";
    ASSERT_TRUE(out.good()) << "cannot write " << kGoldenFile;
    return;
  }
  std::vector<std::string> golden = ReadGolden(run_name + "/");
  ASSERT_FALSE(golden.empty()) << "nothing recorded for " << run_name << " in " << kGoldenFile;
  EXPECT_EQ(lines.size(), golden.size()) << "a different set of pages";
  for (size_t i = 0; i < std::min(lines.size(), golden.size()); ++i)
    ASSERT_EQ(lines[i], golden[i]) << "first difference (recorded on the right)";
}

std::string ReadScript(const char* name) {
  return scenario::ReadFile(std::string(FERROWYN_TEST_DATA) + "/" + name);
}

// Level 1 won with the blast pick-up, the debug overlay on from frame 20, the music toggle's
// message at 100: the title, play, the level's end and its fades, level 2's banner.
TEST(ScenarioGolden, LevelWonWithOverlayDrawsAsRecorded) {
  std::string script = ReadScript("script-win-level1.txt") + "20 tap RETURN\n100 tap F4\n";
  std::string pages = testing::TempDir() + "ferrowyn-golden-win";
  std::filesystem::remove_all(pages);
  auto run = RunGame({"--frames", "680", "--capture", pages, "--capture-every", "20",
                      "--capture-frames", "570-590", "--capture-presents"},
                     script);
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(run.frames.size(), 680u);
  // The run must still reach what it is meant to show.
  EXPECT_EQ(run.frames.back()["level"].Int(), 2);
  CheckAgainstGolden("win-level1", HashRun("win-level1", run, pages));
  std::filesystem::remove_all(pages);
}

// Free play: shells, mines laid and blown, both pick-ups placed by their keys, enemy fire,
// and the overlay switched on and off again.
TEST(ScenarioGolden, FreePlayDrawsAsRecorded) {
  const char* script =
      "0 tap F1\n5 tap RETURN\n"
      "10 down SPACE\n40 down LEFT\n90 up LEFT\n95 down UP\n300 up UP\n"
      "120 down LCONTROL\n400 up LCONTROL\n500 tap F2\n600 down RIGHT\n900 up RIGHT\n"
      "1000 tap F3\n1100 tap RETURN\n1200 tap F4\n1400 up SPACE\n";
  std::string pages = testing::TempDir() + "ferrowyn-golden-play";
  std::filesystem::remove_all(pages);
  auto run = RunGame(
      {"--frames", "1500", "--start-tick", "98765", "--capture", pages, "--capture-every", "30"},
      script);
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(run.frames.size(), 1500u);
  CheckAgainstGolden("free-play", HashRun("free-play", run, pages));
  std::filesystem::remove_all(pages);
}

}  // namespace
