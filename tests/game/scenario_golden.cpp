// Drawing and rules byte for byte: two scripted runs, their traces and many of their pages
// (the fades between levels page by page) hashed and compared with hashes recorded from an
// earlier build. Work on the drawing paths for speed must leave every one of them alone.
//
// After an intended change to what is drawn or traced, record afresh with
// FERROWYN_RECORD_GOLDEN=1 build/tests/game_tests --gtest_filter='ScenarioGolden.*'
// and commit tests/data/scenario-golden.txt with the change.
//
// The whole trace's hash is the check. Beside it are hashes of each trace line (one a frame)
// and of each top-level field over the run ("run/trace/..."), kept only so that a failure can
// name the first frame that differs and the fields that do.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
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

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The top-level members of one trace line (a JSON object of numbers, arrays and objects), in
// their order, each with its value's text as written.
std::vector<std::pair<std::string, std::string>> Members(const std::string& line) {
  std::vector<std::pair<std::string, std::string>> members;
  size_t at = line.find('{');
  while (at != std::string::npos && at + 1 < line.size()) {
    const size_t name_start = line.find('"', at + 1);
    if (name_start == std::string::npos) break;
    const size_t name_end = line.find('"', name_start + 1);
    const size_t colon = line.find(':', name_end);
    if (name_end == std::string::npos || colon == std::string::npos) break;
    size_t end = colon + 1;
    int depth = 0;
    for (; end < line.size(); ++end) {
      const char c = line[end];
      if (c == '[' || c == '{') ++depth;
      if ((c == ']' || c == '}') && depth-- == 0) break;
      if (c == ',' && depth == 0) break;
    }
    members.emplace_back(line.substr(name_start + 1, name_end - name_start - 1),
                         line.substr(colon + 1, end - colon - 1));
    at = end < line.size() && line[end] == ',' ? end : std::string::npos;
  }
  return members;
}

std::string FrameName(size_t frame) {
  char name[32];
  std::snprintf(name, sizeof name, "frame-%06zu", frame);
  return name;
}

// One run's lines: the checked ones ("run/trace", then "run/<page>.png" for every capture, by
// name) and those that only locate a difference in the trace ("run/trace/frame-N" for each
// line, "run/trace/field/NAME" for each member over all lines).
struct RunHashes {
  std::vector<std::string> checked, locating;
};

RunHashes HashRun(const std::string& run_name, const scenario::RunResult& run,
                  const std::string& pages) {
  RunHashes hashes;
  hashes.checked.push_back(Line(run_name + "/trace", run.trace));
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(pages))
    files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const auto& file : files)
    hashes.checked.push_back(
        Line(run_name + "/" + file.filename().string(), scenario::ReadFile(file.string())));

  const std::vector<std::string> lines = SplitLines(run.trace);
  std::vector<std::pair<std::string, std::string>> fields;  // name, values line by line
  for (size_t i = 0; i < lines.size(); ++i) {
    hashes.locating.push_back(Line(run_name + "/trace/" + FrameName(i), lines[i]));
    const auto members = Members(lines[i]);
    for (size_t m = 0; m < members.size(); ++m) {
      if (m == fields.size()) fields.emplace_back(members[m].first, "");
      if (fields[m].first == members[m].first) fields[m].second += members[m].second + "\n";
    }
  }
  for (const auto& [name, values] : fields)
    hashes.locating.push_back(Line(run_name + "/trace/field/" + name, values));
  return hashes;
}

std::vector<std::string> ReadGolden(const std::string& prefix) {
  std::ifstream in(kGoldenFile);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    if (line.rfind(prefix, 0) == 0) lines.push_back(line);
  return lines;
}

// "name hash" -> name, hash.
std::pair<std::string, std::string> Split(const std::string& line) {
  const size_t space = line.rfind(' ');
  return {line.substr(0, space), space == std::string::npos ? "" : line.substr(space + 1)};
}

// Where a trace that hashes otherwise than recorded first differs: the frame, and the fields
// whose values over the run differ, with their values in that frame now.
std::string LocateTraceDifference(const std::string& run_name, const std::string& trace,
                                  const std::vector<std::string>& now,
                                  const std::vector<std::string>& recorded) {
  std::map<std::string, std::string> was;
  for (const std::string& line : recorded) was.insert(Split(line));
  if (was.empty()) return "no per-frame hashes recorded: re-record to have the difference located";
  const std::string frame_prefix = run_name + "/trace/frame-";
  const std::string field_prefix = run_name + "/trace/field/";
  std::string frame, fields;
  for (const std::string& line : now) {
    const auto [name, hash] = Split(line);
    const auto old = was.find(name);
    const bool differs = old == was.end() || old->second != hash;
    if (differs && frame.empty() && name.rfind(frame_prefix, 0) == 0)
      frame = name.substr(frame_prefix.size());
    if (differs && name.rfind(field_prefix, 0) == 0)
      fields += (fields.empty() ? "" : ", ") + name.substr(field_prefix.size());
  }
  size_t recorded_frames = 0;
  for (const auto& [name, hash] : was) recorded_frames += name.rfind(frame_prefix, 0) == 0;
  const std::vector<std::string> lines = SplitLines(trace);
  std::ostringstream where;
  if (frame.empty()) {
    where << "every recorded frame matches: " << lines.size() << " frames now, " << recorded_frames
          << " recorded";
    return where.str();
  }
  where << "first differing frame " << std::stoul(frame) << " (of " << lines.size() << " now, "
        << recorded_frames << " recorded); fields that differ over the run: "
        << (fields.empty() ? "none (a field added, removed or reordered?)" : fields);
  const size_t index = std::stoul(frame);
  if (index < lines.size())
    for (const auto& [name, value] : Members(lines[index]))
      if ((", " + fields + ", ").find(", " + name + ", ") != std::string::npos)
        where << "\n  now in frame " << index << ": " << name << " = "
              << (value.size() > 300 ? value.substr(0, 300) + "..." : value);
  return where.str();
}

// Compares with the recorded lines of this run, or records them when asked to.
void CheckAgainstGolden(const std::string& run_name, const scenario::RunResult& run,
                        const RunHashes& hashes) {
  const std::string locating_prefix = run_name + "/trace/";
  if (std::getenv("FERROWYN_RECORD_GOLDEN")) {
    // The run's lines go where they were, so that other runs' lines keep their places.
    std::vector<std::string> kept;
    size_t place = std::string::npos;
    std::ifstream in(kGoldenFile);
    for (std::string line; std::getline(in, line);) {
      if (line.rfind(run_name + "/", 0) != 0)
        kept.push_back(line);
      else if (place == std::string::npos)
        place = kept.size();
    }
    std::vector<std::string> lines = hashes.checked;
    lines.insert(lines.end(), hashes.locating.begin(), hashes.locating.end());
    kept.insert(kept.begin() + static_cast<std::ptrdiff_t>(std::min(place, kept.size())),
                lines.begin(), lines.end());
    std::ofstream out(kGoldenFile);
    for (const std::string& line : kept) out << line << "\n";
    ASSERT_TRUE(out.good()) << "cannot write " << kGoldenFile;
    return;
  }
  std::vector<std::string> golden, locating;
  for (const std::string& line : ReadGolden(run_name + "/"))
    (line.rfind(locating_prefix, 0) == 0 ? locating : golden).push_back(line);
  ASSERT_FALSE(golden.empty()) << "nothing recorded for " << run_name << " in " << kGoldenFile;
  const std::vector<std::string>& lines = hashes.checked;
  EXPECT_EQ(lines.size(), golden.size()) << "a different set of pages";
  // Every line is looked at, so that a changed trace does not hide the pages.
  std::string first_page;
  int pages_differing = 0;
  for (size_t i = 0; i < std::min(lines.size(), golden.size()); ++i) {
    if (lines[i] == golden[i]) continue;
    if (i == 0) {
      ADD_FAILURE() << lines[i] << " (recorded " << golden[i] << ")\n"
                    << LocateTraceDifference(run_name, run.trace, hashes.locating, locating);
    } else {
      ++pages_differing;
      if (first_page.empty()) first_page = lines[i] + " (recorded " + golden[i] + ")";
    }
  }
  EXPECT_EQ(pages_differing, 0) << "pages that differ; the first: " << first_page;
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
  CheckAgainstGolden("win-level1", run, HashRun("win-level1", run, pages));
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
  CheckAgainstGolden("free-play", run, HashRun("free-play", run, pages));
  std::filesystem::remove_all(pages);
}

}  // namespace
