// Runs the headless runner through its library entry in a fresh start of this test program
// (so the game's globals begin as in a real run), and reads back its trace with a small JSON
// reader.
//
// How the fresh start works: RunGame forks, and the child executes this same test program again
// with --gtest_filter=ScenarioChild.DISABLED_Run --gtest_also_run_disabled_tests, passing the
// runner's arguments and a scratch folder in two environment variables. That disabled test
// (scenario_support.cpp) runs the game and exits with its status; a normal test run never
// selects it. A debugger follows the child with `set follow-fork-mode child`.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace scenario {

// Just enough JSON for the trace: integers, arrays and objects.
struct Json {
  enum Type { kNull, kInt, kArray, kObject };
  Type type = kNull;
  long long number = 0;
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> fields;

  // Member by name; a null value when absent.
  const Json& operator[](const char* key) const;
  const Json& operator[](int index) const;
  int Int() const { return static_cast<int>(number); }
  bool Has(const char* key) const;
};

// Parses one JSON value filling the whole text; false when malformed.
bool ParseJson(const std::string& text, Json* out);

// What a run left behind. Its scratch folder is removed with it.
struct RunResult {
  RunResult() = default;
  RunResult(RunResult&& other) noexcept;
  RunResult& operator=(RunResult&&) = delete;
  ~RunResult();

  int status = -1;
  std::string out, err;      // err: the game's warnings, then the runner's messages
  std::string trace;         // the trace file as written
  std::vector<Json> frames;  // its lines, parsed
  std::string dir;           // the run's scratch folder (captures, audio)
};

// Runs the runner with `args` plus --data (the generated data files, unless `args` names a
// folder), --script (a file with `script` when not empty) and --trace. Parse failures of the
// trace fail the current test.
RunResult RunGame(const std::vector<std::string>& args, const std::string& script = "");

// Like RunGame, but each frame of the trace goes to `on_frame` (with the frame before it, or
// null) as the runner writes it, and none is kept: for runs whose trace would not fit in
// memory. A line that is not JSON fails the current test and ends the reading.
RunResult StreamGame(const std::vector<std::string>& args, const std::string& script,
                     const std::function<void(const Json& frame, const Json* before)>& on_frame);

// The trace's values for the states the invariants look at.
constexpr int kEnemyFree = 0, kEnemyActive = 1, kEnemyArriving = 2;
constexpr int kMineUnlaid = 1, kMineLaid = 2;
constexpr int kShellInFlight = 1;
constexpr int kPlaying = 2, kTitle = 1;

// Checks the rules' invariants on frame `f`, `before` being the frame ahead of it (or null).
// Returns "" or the first broken rule.
std::string BrokenInvariant(const Json& f, const Json* before);

// The file's whole content ("" when missing).
std::string ReadFile(const std::string& path);

// The program's generator, rebuilt from its rule: an independent reference for the tests.
struct Lcg {
  uint32_t state;
  int Next() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
  }
};

}  // namespace scenario
