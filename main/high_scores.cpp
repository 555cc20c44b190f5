#include "main/high_scores.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "main/settings_file.h"

namespace program {

std::string FormatHighScores(const std::vector<HighScore>& table) {
  std::string text = "# Ferrowyn's best games: score, level, date, keyboard or pad\n";
  for (const HighScore& game : table) {
    text += std::to_string(game.score) + " " + std::to_string(game.level) + " " + game.date +
            (game.pad ? " pad" : " keyboard") + (game.cheated ? " cheated" : "") + "\n";
  }
  return text;
}

bool ParseHighScores(const std::string& text, std::vector<HighScore>* table, std::string* error) {
  table->clear();
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    HighScore game;
    std::string played, mark, extra;
    words >> game.score >> game.level >> game.date >> played;
    if (words && !(words >> mark)) mark.clear();
    const bool good = !words.bad() && !played.empty() && game.level >= 1 &&
                      game.date.size() == 10 && (played == "pad" || played == "keyboard") &&
                      (mark.empty() || mark == "cheated") && !(words >> extra) &&
                      table->size() < kHighScoresKept;
    if (!good) {
      *error = "line " + std::to_string(number) + " is not a game: " + line;
      table->clear();
      return false;
    }
    game.pad = played == "pad";
    game.cheated = mark == "cheated";
    table->push_back(game);
  }
  return true;
}

int EnterHighScore(std::vector<HighScore>* table, const HighScore& game) {
  size_t place = 0;
  while (place < table->size() && (*table)[place].score >= game.score) ++place;
  if (place >= kHighScoresKept) return 0;
  table->insert(table->begin() + std::ptrdiff_t(place), game);
  if (table->size() > kHighScoresKept) table->resize(kHighScoresKept);
  return int(place) + 1;
}

std::string DescribeHighScore(const HighScore& game, int place) {
  char line[128];
  std::snprintf(line, sizeof line, "%2d.  %7d  level %d  %s  %s%s", place, game.score, game.level,
                game.date.c_str(), game.pad ? "pad" : "keyboard", game.cheated ? "  (F2/F3)" : "");
  return line;
}

std::filesystem::path HighScoresPath() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && *data == '/') return std::filesystem::path(data) / "ferrowyn" / "scores";
  const char* home = std::getenv("HOME");
  if (home && *home) return std::filesystem::path(home) / ".local/share/ferrowyn/scores";
  return {};
}

bool HighScoreFile::Load(std::vector<HighScore>* table) {
  table->clear();
  if (path_.empty()) return false;
  std::ifstream in(path_, std::ios::binary);
  if (!in) return true;  // no table yet
  std::stringstream text;
  text << in.rdbuf();
  std::string error;
  if (ParseHighScores(text.str(), table, &error)) return true;
  if (!reported_)
    std::fprintf(stderr, "ferrowyn: high scores: %s: %s; not written over\n", path_.c_str(),
                 error.c_str());
  reported_ = true;
  return false;
}

std::vector<HighScore> HighScoreFile::Read() {
  std::vector<HighScore> table;
  Load(&table);
  return table;
}

int HighScoreFile::Enter(const HighScore& game) {
  std::vector<HighScore> table;
  if (!Load(&table)) return 0;
  const int place = EnterHighScore(&table, game);
  std::string error;
  if (place > 0 && !WriteFileAtomically(path_, FormatHighScores(table), &error)) {
    std::fprintf(stderr, "ferrowyn: high scores: %s\n", error.c_str());
    return 0;
  }
  return place;
}

std::vector<std::string> HighScoreFile::Lines() {
  std::vector<std::string> lines;
  const std::vector<HighScore> table = Read();
  for (size_t i = 0; i < table.size(); ++i)
    lines.push_back(DescribeHighScore(table[i], int(i) + 1));
  return lines;
}

std::optional<HighScore> GameEndWatch::Step(const Frame& frame) {
  if (!frame.in_play) {
    over_ = false;
    game_ = {};
    return std::nullopt;
  }
  game_.pad = game_.pad || frame.pad;
  game_.cheated = game_.cheated || frame.cheat_keys;
  if (frame.lives > 0) {
    over_ = false;
    game_.score = frame.score;
    game_.level = frame.level;
    return std::nullopt;
  }
  if (over_) return std::nullopt;
  over_ = true;
  HighScore ended = game_;
  game_ = {};
  return ended;
}

std::string Today() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char date[16];
  std::strftime(date, sizeof date, "%Y-%m-%d", &local);
  return date;
}

}  // namespace program
