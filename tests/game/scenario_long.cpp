// Long runs: the world's invariants on every frame of a soak run, and whole games played
// from a script to a level won and to a game over.
#include <gtest/gtest.h>

#include <string>

#include "game/scenario_support.h"

namespace {

using scenario::Json;
using scenario::RunGame;

using scenario::BrokenInvariant;
using scenario::kEnemyActive;
using scenario::kMineLaid;
using scenario::kMineUnlaid;
using scenario::kPlaying;
using scenario::kTitle;

TEST(ScenarioLong, InvariantsHoldOnEveryFrameOfARandomRun) {
  // Streamed: 15000 parsed frames held at once would take over a gigabyte.
  long frames = 0;
  int playing = 0, kills = 0, game_overs = 0, arrivals = 0;
  std::string broken;
  auto run = scenario::StreamGame(
      {"--frames", "15000", "--random-input", "20261208"}, "",
      [&](const Json& f, const Json* before) {
        if (broken.empty()) {
          broken = BrokenInvariant(f, before);
          if (!broken.empty()) broken += " (frame " + std::to_string(frames) + ")";
        }
        ++frames;
        if (f["game_mode"].Int() == kPlaying) ++playing;
        if (!before) return;
        if (f["enemies_left"].Int() < (*before)["enemies_left"].Int()) ++kills;
        if (f["arrival_active"].Int() && !(*before)["arrival_active"].Int()) ++arrivals;
        if (f["game_mode"].Int() == kTitle && (*before)["game_mode"].Int() == kPlaying)
          ++game_overs;
      });
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(frames, 15000);
  EXPECT_EQ(broken, "");
  // The run must have reached the rules it checks.
  EXPECT_GT(playing, 5000);
  EXPECT_GT(kills, 0);
  EXPECT_GT(arrivals, 0);
  EXPECT_GT(game_overs, 0);
}

}  // namespace

namespace {

// Frames at which lives went down.
std::vector<int> LivesLost(const std::vector<Json>& frames) {
  std::vector<int> at;
  for (size_t i = 1; i < frames.size(); ++i) {
    if (frames[i]["lives"].Int() < frames[i - 1]["lives"].Int()) at.push_back(static_cast<int>(i));
  }
  return at;
}

TEST(ScenarioGame, SittingOnOwnMinesLosesTheGame) {
  // The tank never moves and lays a mine whenever it may: each mine arms under it.
  auto run = RunGame({"--frames", "3000"}, "0 tap F1\n1 down LCONTROL\n");
  ASSERT_EQ(run.status, 0) << run.err;
  const auto& frames = run.frames;
  for (size_t i = 1; i < frames.size(); ++i) {
    ASSERT_EQ(BrokenInvariant(frames[i], &frames[i - 1]), "") << "frame " << i;
  }
  // The first mine, laid in frame 1 under the tank, is live 49 frames later.
  EXPECT_EQ(frames[1]["mines"][0]["state"].Int(), kMineLaid);
  EXPECT_EQ(frames[1]["mines"][0]["x"].Int(), 384 + 8);
  EXPECT_EQ(frames[1]["mines"][0]["y"].Int(), 340 + 8);
  std::vector<int> lost = LivesLost(frames);
  ASSERT_EQ(lost.size(), 8u);
  if (frames[50]["lives"].Int() == 7 && frames[49]["lives"].Int() == 8) {
    EXPECT_EQ(frames[50]["score"].Int(), frames[49]["score"].Int() - 150);
    EXPECT_EQ(frames[50]["mines"][0]["state"].Int(), kMineUnlaid);
  } else {
    ADD_FAILURE() << "the first mine did not take the first life in frame 50";
  }
  // Every lost life but the last comes back 30 frames later at (384, 300), facing up.
  for (size_t n = 0; n + 1 < lost.size(); ++n) {
    int t = lost[n];
    EXPECT_EQ(frames[t]["player_tank"]["state"].Int(), 1) << t;
    EXPECT_EQ(frames[t + 29]["player_tank"]["state"].Int(), 1) << t;
    const Json& back = frames[t + 30]["player_tank"];
    EXPECT_EQ(back["state"].Int(), 2) << t;
    EXPECT_EQ(back["x"].Int(), 384) << t;
    EXPECT_EQ(back["y"].Int(), 300) << t;
    EXPECT_EQ(back["frame"].Int(), 0) << t;
  }
  // The last one: the game-over text for 101 frames with the score at 0, then the title.
  int end = lost.back();
  ASSERT_LT(end + 101, static_cast<int>(frames.size()));
  for (int k = end; k < end + 100; ++k) {
    EXPECT_EQ(frames[k]["game_mode"].Int(), kPlaying) << k;
    EXPECT_EQ(frames[k]["game_over_count"].Int(), k - end + 1) << k;
    EXPECT_EQ(frames[k]["score"].Int(), 0) << k;
    EXPECT_EQ(frames[k]["respawn_pending"].Int(), 0) << k;
    EXPECT_EQ(frames[k]["player_tank"]["state"].Int(), 1) << k;
  }
  EXPECT_EQ(frames[end + 100]["game_mode"].Int(), kTitle);
  EXPECT_EQ(frames[end + 100]["player_tank"]["state"].Int(), 2);
  EXPECT_EQ(frames.back()["game_mode"].Int(), kTitle);
  EXPECT_EQ(frames.back()["lives"].Int(), 0);
}

}  // namespace

namespace {

TEST(ScenarioGame, F1AfterAGameOverStartsAFreshGame) {
  // The same lost game (over by frame 607), then F1 on the title screen.
  auto run =
      RunGame({"--frames", "701"}, "0 tap F1\n1 down LCONTROL\n650 up LCONTROL\n700 tap F1\n");
  ASSERT_EQ(run.status, 0) << run.err;
  const Json& before = run.frames[699];
  EXPECT_EQ(before["game_mode"].Int(), kTitle);
  EXPECT_EQ(before["lives"].Int(), 0);
  EXPECT_EQ(before["level"].Int(), 1);
  const Json& fresh = run.frames[700];
  EXPECT_EQ(fresh["game_mode"].Int(), kPlaying);
  EXPECT_EQ(fresh["lives"].Int(), 8);
  EXPECT_EQ(fresh["level"].Int(), 1);
  EXPECT_EQ(fresh["score"].Int(), 0);
  EXPECT_EQ(fresh["enemies_left"].Int(), 5);
  EXPECT_EQ(fresh["mines_laid"].Int(), 0);
}

TEST(ScenarioGame, BlastPickUpsWinLevelOne) {
  auto run = RunGame({"--frames", "620", "--script", FERROWYN_TEST_DATA "/script-win-level1.txt"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto& frames = run.frames;
  std::vector<int> touches;
  int won = -1;
  for (size_t i = 1; i < frames.size(); ++i) {
    const Json& f = frames[i];
    const Json& before = frames[i - 1];
    ASSERT_EQ(BrokenInvariant(f, &before), "") << "frame " << i;
    if (f["level"].Int() != before["level"].Int()) {
      won = static_cast<int>(i);
      break;
    }
    int drop = before["enemies_left"].Int() - f["enemies_left"].Int();
    if (drop == 0) continue;
    // Only the pick-up destroys here: every tank active before it, for 30 points in all.
    touches.push_back(static_cast<int>(i));
    int active = 0;
    for (int k = 0; k < 8; ++k) active += before["enemy_tanks"][k]["state"].Int() == kEnemyActive;
    EXPECT_EQ(drop, active) << "frame " << i;
    EXPECT_EQ(f["score"].Int(), before["score"].Int() + 30) << "frame " << i;
    EXPECT_EQ(f["blast_pickup"]["state"].Int(), 1) << "frame " << i;
    EXPECT_EQ(f["blast_timer"].Int(), 1) << "frame " << i;
  }
  ASSERT_EQ(touches.size(), 3u);
  ASSERT_GT(won, 0) << "level 1 was not won";
  // The last tank fell in UpdateWorld's pick-up step, so the level is won in the next frame.
  EXPECT_EQ(won, touches.back() + 1);
  const Json& next = frames[won];
  EXPECT_EQ(next["level"].Int(), 2);
  EXPECT_EQ(next["enemies_left"].Int(), 7);
  EXPECT_EQ(next["enemy_slots"].Int(), 3);
  EXPECT_EQ(next["enemies_onscreen"].Int(), 3);
  EXPECT_EQ(next["level_won"].Int(), 0);
  EXPECT_EQ(next["get_ready_active"].Int(), 1);
  EXPECT_EQ(next["score"].Int(), 90);
  EXPECT_EQ(next["lives"].Int(), frames[won - 1]["lives"].Int());
  EXPECT_EQ(next["player_tank"]["x"].Int(), 384);
  EXPECT_EQ(next["player_tank"]["y"].Int(), 340);
  // That frame held the program for the one-second pause and the 80-step fade.
  EXPECT_GE(frames[won + 1]["tick"].number - frames[won - 1]["tick"].number, 1000 + 80 * 12);
}

}  // namespace
