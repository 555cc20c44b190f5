// The best ten games, kept between runs in $XDG_DATA_HOME/ferrowyn/scores, and how a program
// learns, frame by frame, that a game has ended. Nothing here reaches the game or a recording.
#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace program {

struct HighScore {
  int score = 0;
  int level = 1;
  std::string date;      // YYYY-MM-DD
  bool pad = false;      // played with a pad rather than the keyboard
  bool cheated = false;  // F2 or F3 was used
};

constexpr size_t kHighScoresKept = 10;

// The table as text, best first, one game a line: "12340 5 2026-12-09 pad cheated".
std::string FormatHighScores(const std::vector<HighScore>& table);
// False, with the line at fault, when the text is no table.
bool ParseHighScores(const std::string& text, std::vector<HighScore>* table, std::string* error);
// Puts a game in its place in the table, best first and an equal score after the older one;
// the place it took (1 for the best), or 0 when the table is full of better games.
int EnterHighScore(std::vector<HighScore>* table, const HighScore& game);
// "1.  12340  level 5  2026-12-09  pad  (F2/F3)", as the menu and --high-scores show it.
std::string DescribeHighScore(const HighScore& game, int place);

// $XDG_DATA_HOME/ferrowyn/scores, else ~/.local/share/ferrowyn/scores; empty when neither
// can be named.
std::filesystem::path HighScoresPath();

// The table's file. A damaged table is reported once and never written over.
class HighScoreFile {
 public:
  explicit HighScoreFile(std::filesystem::path path) : path_(std::move(path)) {}
  // What the file holds; empty when there is none or it is damaged.
  std::vector<HighScore> Read();
  // Enters a finished game and writes the table through a temporary file: the place it took,
  // or 0.
  int Enter(const HighScore& game);
  // The table's lines, best first.
  std::vector<std::string> Lines();

 private:
  bool Load(std::vector<HighScore>* table);
  std::filesystem::path path_;
  bool reported_ = false;
};

// Follows the game once a frame and says when one has ended: its last life lost. The score is
// the last one seen with a life left, since the game clears it in the frame the last is lost.
class GameEndWatch {
 public:
  struct Frame {
    bool in_play = false;
    int lives = 0;
    int score = 0;
    int level = 1;
    bool pad = false;         // the pad was pushed or pressed this frame
    bool cheat_keys = false;  // F2 or F3 held this frame
  };
  // The game that ended, on the one frame it did; its date is left for the caller.
  std::optional<HighScore> Step(const Frame& frame);

 private:
  bool over_ = false;
  HighScore game_;
};

// Today's date as the table writes it, "2026-12-09", by the local clock.
std::string Today();

}  // namespace program
