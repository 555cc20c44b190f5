#include "game/scenario_support.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/headless/runner.h"

namespace scenario {

namespace {

const Json kAbsent;
constexpr char kArgsVariable[] = "FERROWYN_SCENARIO_ARGS";
constexpr char kDirVariable[] = "FERROWYN_SCENARIO_DIR";

class Reader {
 public:
  explicit Reader(const std::string& text) : s_(text) {}

  bool Value(Json* out) {
    Skip();
    if (i_ >= s_.size()) return false;
    char c = s_[i_];
    if (c == '{') return Object(out);
    if (c == '[') return Array(out);
    return Number(out);
  }
  bool AtEnd() {
    Skip();
    return i_ == s_.size();
  }

 private:
  void Skip() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\t')) ++i_;
  }
  bool Take(char c) {
    Skip();
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  bool Number(Json* out) {
    size_t start = i_;
    if (i_ < s_.size() && s_[i_] == '-') ++i_;
    while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') ++i_;
    if (i_ == start || (i_ == start + 1 && s_[start] == '-')) return false;
    out->type = Json::kInt;
    out->number = std::strtoll(s_.c_str() + start, nullptr, 10);
    return true;
  }
  bool Array(Json* out) {
    out->type = Json::kArray;
    ++i_;
    if (Take(']')) return true;
    do {
      out->items.emplace_back();
      if (!Value(&out->items.back())) return false;
    } while (Take(','));
    return Take(']');
  }
  bool Object(Json* out) {
    out->type = Json::kObject;
    ++i_;
    if (Take('}')) return true;
    do {
      if (!Take('"')) return false;
      size_t close = s_.find('"', i_);
      if (close == std::string::npos) return false;
      std::string key = s_.substr(i_, close - i_);
      i_ = close + 1;
      if (!Take(':')) return false;
      out->fields.emplace_back(std::move(key), Json());
      if (!Value(&out->fields.back().second)) return false;
    } while (Take(','));
    return Take('}');
  }

  const std::string& s_;
  size_t i_ = 0;
};

std::string MakeScratchDir() {
  std::string pattern = testing::TempDir() + "ferrowyn-scenario-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  const char* made = mkdtemp(buffer.data());
  return made ? std::string(made) : std::string();
}

}  // namespace

const Json& Json::operator[](const char* key) const {
  for (const auto& [name, value] : fields) {
    if (name == key) return value;
  }
  return kAbsent;
}

const Json& Json::operator[](int index) const {
  return index >= 0 && static_cast<size_t>(index) < items.size() ? items[index] : kAbsent;
}

bool Json::Has(const char* key) const {
  for (const auto& field : fields) {
    if (field.first == key) return true;
  }
  return false;
}

bool ParseJson(const std::string& text, Json* out) {
  Reader reader(text);
  *out = Json();
  return reader.Value(out) && reader.AtEnd();
}

RunResult::RunResult(RunResult&& other) noexcept
    : status(other.status),
      out(std::move(other.out)),
      err(std::move(other.err)),
      trace(std::move(other.trace)),
      frames(std::move(other.frames)),
      dir(std::move(other.dir)) {
  other.dir.clear();
}

RunResult::~RunResult() {
  std::error_code ec;
  if (!dir.empty()) std::filesystem::remove_all(dir, ec);
}

std::string BrokenInvariant(const Json& f, const Json* before) {
  const Json& tanks = f["enemy_tanks"];
  int placed = f["enemies_placed"].Int(), slots = f["enemy_slots"].Int();
  if (placed > slots) return "enemies_placed above enemy_slots";
  int present = 0, arriving = 0;
  for (int k = 0; k < 8; ++k) {
    int state = tanks[k]["state"].Int();
    if (state != kEnemyFree && k >= placed) return "a tank in slot " + std::to_string(k);
    if (state == kEnemyActive || state == kEnemyArriving) ++present;
    if (state == kEnemyArriving) ++arriving;
    int entry = f["enemy_list"][k].Int();
    int wanted = k >= placed ? 0 : state != kEnemyFree ? k : -1;
    if (entry != wanted) return "enemy_list entry " + std::to_string(k);
    if (state == kEnemyActive) {
      int x = tanks[k]["x"].Int(), y = tanks[k]["y"].Int();
      if (x < 11 || x > 757 || y < 91 || y > 561) return "an active tank off the field";
    }
  }
  if (present != f["enemies_onscreen"].Int()) return "enemies_onscreen miscounted";
  if (present > f["enemies_left"].Int()) return "more tanks present than left";
  if (arriving > 1) return "two tanks arriving";

  int laid = f["mines_laid"].Int();
  if (laid < 0 || laid > 15) return "mines_laid out of range";
  for (int j = 0; j < 15; ++j) {
    const Json& mine = f["mines"][j];
    if (j >= laid && mine["state"].Int() != kMineUnlaid) return "a mine beyond mines_laid";
    int arm = mine["user"][0].Int();
    if (arm < 0 || arm > 50) return "arm_count out of range";
  }
  if (f["game_mode"].Int() == kPlaying) {
    const Json& tank = f["player_tank"];
    int x = tank["x"].Int(), y = tank["y"].Int();
    if (x < 11 || x > 757 || y < 91 || y > 561) return "the player off the field";
  }
  if (f["lives"].Int() < 0) return "negative lives";
  if (f["level"].Int() < 1 || f["level"].Int() > 20) return "level out of range";
  if (f["blast_timer"].Int() > 150 || f["life_pickup_timer"].Int() > 150) return "a pick-up timer";

  if (before) {
    // A mine slot is laid only as the next one, so never twice in a level.
    int laid_before = (*before)["mines_laid"].Int();
    // A new level or a new game empties the mines; a mine may be laid in that same frame.
    bool level_start =
        laid < laid_before || f["level"].Int() != (*before)["level"].Int() ||
        (f["game_mode"].Int() == kPlaying && (*before)["game_mode"].Int() != kPlaying);
    for (int j = 0; j < 15; ++j) {
      bool now = f["mines"][j]["state"].Int() == kMineLaid;
      bool then = (*before)["mines"][j]["state"].Int() == kMineLaid;
      if (now && !then && !(j == laid_before && laid == laid_before + 1) && !level_start)
        return "mine " + std::to_string(j) + " laid out of turn";
    }
    if (!level_start && laid < laid_before) return "mines_laid went down";
    int launched = 0;
    for (int s = 0; s < 3; ++s) {
      if (f["player_shells"][s]["state"].Int() == kShellInFlight &&
          (*before)["player_shells"][s]["state"].Int() != kShellInFlight)
        ++launched;
    }
    if (launched > 1) return "two player shells launched in one frame";
  }
  return "";
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

namespace {

// Starts the runner with `args` and the usual additions in a fresh image of this program, so
// that the game's globals start as in a real run and not as the unit tests before left them.
// It runs only the entry below. Returns the child, or -1.
// The trace goes to `trace`, or to trace.jsonl in the run's folder when it is empty.
pid_t StartRunner(RunResult* result, std::vector<std::string> args, const std::string& script,
                  const std::string& trace) {
  result->dir = MakeScratchDir();
  EXPECT_FALSE(result->dir.empty()) << "no scratch folder";
  if (std::find(args.begin(), args.end(), "--data") == args.end())
    args.insert(args.end(), {"--data", FERROWYN_ASSETS_DIR});
  args.insert(args.end(), {"--trace", trace.empty() ? result->dir + "/trace.jsonl" : trace});
  if (!script.empty()) {
    std::ofstream(result->dir + "/script.txt") << script;
    args.insert(args.end(), {"--script", result->dir + "/script.txt"});
  }
  std::string joined;
  for (const std::string& arg : args) joined += arg + '\n';
  std::fflush(nullptr);
  pid_t child = fork();
  if (child == 0) {
    setenv(kArgsVariable, joined.c_str(), 1);
    setenv(kDirVariable, result->dir.c_str(), 1);
    // The game's own warnings go to the real stderr: keep them for RunResult::err.
    int quiet = open("/dev/null", O_WRONLY);
    int warnings = open((result->dir + "/stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(quiet, STDOUT_FILENO);
    dup2(warnings, STDERR_FILENO);
    execl("/proc/self/exe", "game_tests", "--gtest_filter=ScenarioChild.DISABLED_Run",
          "--gtest_also_run_disabled_tests", static_cast<char*>(nullptr));
    _exit(127);
  }
  EXPECT_GT(child, 0) << "fork failed";
  return child;
}

void FinishRunner(pid_t child, RunResult* result) {
  int wait_status = 0;
  if (child > 0 && waitpid(child, &wait_status, 0) == child) {
    if (WIFEXITED(wait_status)) {
      result->status = WEXITSTATUS(wait_status);
    } else {
      ADD_FAILURE() << "the runner died with signal " << WTERMSIG(wait_status);
    }
  }
  EXPECT_NE(result->status, 127) << "the test program could not be started again";
  result->out = ReadFile(result->dir + "/out.txt");
  result->err = ReadFile(result->dir + "/stderr.txt") + ReadFile(result->dir + "/err.txt");
}

}  // namespace

RunResult RunGame(const std::vector<std::string>& args, const std::string& script) {
  RunResult result;
  pid_t child = StartRunner(&result, args, script, "");
  FinishRunner(child, &result);
  result.trace = ReadFile(result.dir + "/trace.jsonl");
  std::istringstream lines(result.trace);
  std::string line;
  while (std::getline(lines, line)) {
    result.frames.emplace_back();
    if (!ParseJson(line, &result.frames.back())) {
      ADD_FAILURE() << "trace line " << result.frames.size() << " is not JSON";
      break;
    }
  }
  return result;
}

RunResult StreamGame(const std::vector<std::string>& args, const std::string& script,
                     const std::function<void(const Json& frame, const Json* before)>& on_frame) {
  RunResult result;
  // The trace goes through a pipe: the runner opens its end by name, and the reading here
  // ends when the runner exits.
  int ends[2];
  if (pipe(ends) != 0) {
    ADD_FAILURE() << "no pipe";
    return result;
  }
  pid_t child = StartRunner(&result, args, script, "/proc/self/fd/" + std::to_string(ends[1]));
  close(ends[1]);
  std::FILE* trace = fdopen(ends[0], "r");
  Json frames[2];
  bool have_before = false, readable = true;
  char* line = nullptr;
  size_t capacity = 0;
  for (long count = 1; trace && getline(&line, &capacity, trace) > 0; ++count) {
    if (!readable) continue;  // drain, so that the runner is never stuck on a full pipe
    Json& frame = frames[count % 2];
    if (!ParseJson(line, &frame)) {
      ADD_FAILURE() << "trace line " << count << " is not JSON";
      readable = false;
      continue;
    }
    on_frame(frame, have_before ? &frames[(count + 1) % 2] : nullptr);
    have_before = true;
  }
  std::free(line);
  if (trace) std::fclose(trace);
  FinishRunner(child, &result);
  return result;
}

}  // namespace scenario

// The child's side of RunGame: never run in a normal test run (it is disabled); RunGame starts
// this program again with only this entry enabled.
TEST(ScenarioChild, DISABLED_Run) {
  const char* joined = std::getenv(scenario::kArgsVariable);
  const char* dir = std::getenv(scenario::kDirVariable);
  if (!joined || !dir) GTEST_SKIP() << "only started by RunGame";
  std::vector<std::string> args;
  std::istringstream lines(joined);
  for (std::string arg; std::getline(lines, arg);) args.push_back(arg);
  std::ostringstream out, err;
  int status = runner::RunHeadless(args, out, err);
  std::ofstream(std::string(dir) + "/out.txt") << out.str();
  std::ofstream(std::string(dir) + "/err.txt") << err.str();
  std::fflush(nullptr);
  _exit(status);
}
