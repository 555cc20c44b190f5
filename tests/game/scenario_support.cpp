#include "game/scenario_support.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

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

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

RunResult RunGame(const std::vector<std::string>& args, const std::string& script) {
  RunResult result;
  result.dir = MakeScratchDir();
  EXPECT_FALSE(result.dir.empty()) << "no scratch folder";
  std::vector<std::string> full = args;
  full.insert(full.end(), {"--data", FERROWYN_ASSETS_DIR, "--trace", result.dir + "/trace.jsonl"});
  if (!script.empty()) {
    std::ofstream(result.dir + "/script.txt") << script;
    full.insert(full.end(), {"--script", result.dir + "/script.txt"});
  }

  // A fresh image of this program, so that the game's globals start as in a real run and
  // not as the unit tests before left them. It runs only the entry below.
  std::string joined;
  for (const std::string& arg : full) joined += arg + '\n';
  std::fflush(nullptr);
  pid_t child = fork();
  if (child == 0) {
    setenv(kArgsVariable, joined.c_str(), 1);
    setenv(kDirVariable, result.dir.c_str(), 1);
    int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, STDOUT_FILENO);
    dup2(quiet, STDERR_FILENO);
    execl("/proc/self/exe", "game_tests", "--gtest_filter=ScenarioChild.DISABLED_Run",
          "--gtest_also_run_disabled_tests", static_cast<char*>(nullptr));
    _exit(127);
  }
  int wait_status = 0;
  EXPECT_GT(child, 0) << "fork failed";
  if (child > 0 && waitpid(child, &wait_status, 0) == child) {
    if (WIFEXITED(wait_status)) {
      result.status = WEXITSTATUS(wait_status);
    } else {
      ADD_FAILURE() << "the runner died with signal " << WTERMSIG(wait_status);
    }
  }
  EXPECT_NE(result.status, 127) << "the test program could not be started again";
  result.out = ReadFile(result.dir + "/out.txt");
  result.err = ReadFile(result.dir + "/err.txt");
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
