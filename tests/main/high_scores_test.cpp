// The high-score table: its order, its file, and when the program learns a game has ended.
#include "main/high_scores.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/temp_path.h"

namespace {

using program::HighScore;

HighScore Game(int score, std::string date = "2026-12-09") {
  HighScore game;
  game.score = score;
  game.date = std::move(date);
  return game;
}

TEST(HighScores, TheBestTenKeepTheirOrderAndTheirFile) {
  std::vector<HighScore> table;
  EXPECT_EQ(program::EnterHighScore(&table, Game(0)), 1);  // room takes any game
  EXPECT_EQ(program::EnterHighScore(&table, Game(500, "2026-12-01")), 1);
  EXPECT_EQ(program::EnterHighScore(&table, Game(500, "2026-12-02")), 2);  // after the older
  for (int i = 0; i < 7; ++i) program::EnterHighScore(&table, Game(100));
  ASSERT_EQ(table.size(), 10u);
  EXPECT_EQ(program::EnterHighScore(&table, Game(0)), 0);  // full of better games
  EXPECT_EQ(program::EnterHighScore(&table, Game(200)), 3);
  EXPECT_EQ(table.size(), 10u);
  EXPECT_EQ(table.back().score, 100);

  table[0].pad = true;
  table[0].cheated = true;
  table[0].level = 7;
  std::vector<HighScore> read;
  std::string error;
  ASSERT_TRUE(program::ParseHighScores(program::FormatHighScores(table), &read, &error)) << error;
  ASSERT_EQ(read.size(), 10u);
  EXPECT_EQ(program::DescribeHighScore(read[0], 1),
            " 1.      500  level 7  2026-12-01  pad  (F2/F3)");
  EXPECT_EQ(program::DescribeHighScore(read[1], 2), " 2.      500  level 1  2026-12-02  keyboard");
  for (const char* bad : {"500 1 2026-12-01 mouse\n", "500 1 2026-12-01 pad extra\n",
                          "500 0 2026-12-01 pad\n", "five\n"})
    EXPECT_FALSE(program::ParseHighScores(bad, &read, &error)) << bad;
  // A mine of one's own takes points away: a game can end below zero, and its table must read.
  table.assign(1, Game(-150));
  ASSERT_TRUE(program::ParseHighScores(program::FormatHighScores(table), &read, &error)) << error;
  EXPECT_EQ(read.at(0).score, -150);
}

TEST(HighScores, ADamagedTableIsReportedOnceAndNeverWrittenOver) {
  namespace fs = std::filesystem;
  const fs::path folder = TempPath("scores");
  fs::remove_all(folder);
  program::HighScoreFile file(folder / "ferrowyn" / "scores");
  EXPECT_TRUE(file.Lines().empty());
  EXPECT_EQ(file.Enter(Game(300)), 1);
  EXPECT_EQ(file.Enter(Game(400)), 1);
  ASSERT_EQ(file.Lines().size(), 2u);
  EXPECT_EQ(file.Read()[1].score, 300);

  std::ofstream(folder / "ferrowyn" / "scores") << "300 1 yesterday pad\n";
  testing::internal::CaptureStderr();
  EXPECT_EQ(file.Enter(Game(900)), 0);
  EXPECT_EQ(file.Enter(Game(900)), 0);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("not written over"), std::string::npos) << said;
  EXPECT_EQ(said.find("not written over"), said.rfind("not written over")) << said;
  std::ifstream in(folder / "ferrowyn" / "scores");
  std::stringstream kept;
  kept << in.rdbuf();
  EXPECT_EQ(kept.str(), "300 1 yesterday pad\n");
  fs::remove_all(folder);
}

// The game clears the score in the frame its last life goes: the score kept is the one from
// the frame before. The pad and the cheat keys count if used at any time in the game.
TEST(HighScores, AGameEndsOnceWhenItsLastLifeGoes) {
  program::GameEndWatch watch;
  using Frame = program::GameEndWatch::Frame;
  EXPECT_FALSE(watch.Step({false, 0, 0, 1, false, true}));  // F2 on the title is no cheat
  EXPECT_FALSE(watch.Step({true, 8, 0, 1, false, false}));
  EXPECT_FALSE(watch.Step({true, 1, 1200, 3, true, false}));
  std::optional<HighScore> ended = watch.Step({true, 0, 0, 3, false, false});
  ASSERT_TRUE(ended);
  EXPECT_EQ(ended->score, 1200);
  EXPECT_EQ(ended->level, 3);
  EXPECT_TRUE(ended->pad);
  EXPECT_FALSE(ended->cheated);
  EXPECT_FALSE(watch.Step({true, 0, 0, 3, false, false}));  // the game-over page is no new end
  EXPECT_FALSE(watch.Step(Frame{}));

  watch.Step({true, 8, 0, 1, false, false});
  watch.Step({true, 8, 50, 1, false, true});
  ended = watch.Step({true, 0, 0, 1, false, false});
  ASSERT_TRUE(ended);
  EXPECT_TRUE(ended->cheated);
  EXPECT_FALSE(ended->pad);
  EXPECT_EQ(ended->score, 50);
}

}  // namespace
