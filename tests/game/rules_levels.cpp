// Level start, the level-won sequence and the game-over countdown.
#include "game/rules_support.h"
#include "shell/app_shell.h"
#include "gfx/display.h"
#include "gfx/palette.h"
#include "host/headless/headless_host.h"

namespace {

using rules::Rules;

// The winner and game-over texts are printed, and the level-won fade runs, on real pages.
class RulesOnScreen : public Rules {
 protected:
  void SetUp() override {
    Rules::SetUp();
    // The display only needs a handle to bind to; no window is opened.
    main_window = reinterpret_cast<HWND>(1);
    ASSERT_EQ(StartDisplay(800, 600, 8), 1);
  }
  void TearDown() override { StopDisplay(); }
};

TEST_F(Rules, StartLevelResetsTheLevelButKeepsThePlayersOwnState) {
  level = 7;
  score = -40;
  fire_latch_count = 2;
  respawn_pending = 1;
  respawn_count = 12;
  player_tank.state = PLAYER_DESTROYED;
  mines_laid = 9;
  mines[4].state = MINE_LAID;
  mines[4].user_slots[SLOT_ARM_COUNT] = 33;
  enemy_tanks[7].state = ENEMY_ACTIVE;
  enemy_tanks[7].user_slots[SLOT_AI_MODE] = AI_HUNT;
  enemy_tanks[7].user_slots[SLOT_HUNT_AXIS] = HUNT_AXIS_Y;

  StartLevel();
  EXPECT_EQ(enemies_left, 24);
  EXPECT_EQ(enemies_placed, 6);
  EXPECT_EQ(get_ready_active, 1);
  EXPECT_EQ(enemy_tanks[7].state, ENEMY_FREE) << "slots from enemy_slots up stay free";
  EXPECT_EQ(enemy_tanks[7].user_slots[SLOT_AI_MODE], AI_MOVE);
  EXPECT_EQ(enemy_tanks[7].user_slots[SLOT_HUNT_AXIS], HUNT_AXIS_Y);
  EXPECT_EQ(mines_laid, 0);
  EXPECT_EQ(mines[4].user_slots[SLOT_ARM_COUNT], 0);
  EXPECT_EQ(player_tank.y, 340);
  EXPECT_EQ(player_tank.state, PLAYER_DESTROYED);
  EXPECT_EQ(score, -40);
  EXPECT_EQ(fire_latch_count, 2);
  EXPECT_EQ(respawn_count, 12);
}

TEST_F(RulesOnScreen, WinningLevelTwentyStartsLevelOneAgainKeepingLivesAndScore) {
  level = 20;
  StartLevel();
  lives = 4;
  score = 1234;
  enemies_left = 0;
  UpdateWorld();
  EXPECT_EQ(level, 1);
  EXPECT_EQ(enemies_left, 5);
  EXPECT_EQ(enemy_slots, 2);
  EXPECT_EQ(level_won, 0);
  EXPECT_EQ(lives, 4);
  EXPECT_EQ(score, 1234);
}

TEST_F(RulesOnScreen, GameOverShows101FramesThenTheTitleEvenInAFreshlyWonLevel) {
  level = 4;
  StartLevel();
  enemies_left = 0;
  lives = 0;
  score = 77;
  player_tank.state = PLAYER_DESTROYED;
  respawn_pending = 1;
  int frames = 0;
  while (game_mode == GAME_MODE_PLAYING && frames < 1000) {
    UpdateWorld();
    frames++;
    ASSERT_EQ(level, 5) << "won first, then over";
    ASSERT_EQ(score, 0);
    ASSERT_EQ(respawn_pending, 0);
  }
  EXPECT_EQ(frames, 101);
  EXPECT_EQ(player_tank.state, PLAYER_IN_PLAY);
}

}  // namespace

namespace {

TEST_F(RulesOnScreen, TheLevelWonFadeIsSeenOnScreenStepByStep) {
  PALETTEENTRY bright[256];
  for (int i = 0; i < 256; ++i) bright[i] = {255, 241, BYTE(i), PC_NOCOLLAPSE};
  InstallPalette(bright);
  StartLevel();
  enemies_left = 0;
  // Every page the player sees during the won frame, by the red of entry 200.
  auto& screen = static_cast<host::headless::HeadlessHost&>(host::Current());
  std::vector<int> reds;
  screen.on_present = [&] { reds.push_back(screen.PagePalette()[200].r); };
  UpdateWorld();
  screen.on_present = nullptr;

  ASSERT_GE(reds.size(), 82u) << "the winner text, 80 fade steps, the palette put back";
  EXPECT_EQ(reds.front(), 255) << "the winner text shows in full colour first";
  std::vector<int> fade(reds.begin() + 1, reds.begin() + 81);
  for (size_t step = 0; step < fade.size(); ++step)
    EXPECT_EQ(fade[step], 255 - 3 * int(step + 1)) << "fade step " << step;
  EXPECT_EQ(reds.back(), 255) << "the palette is restored before the next level";
  EXPECT_EQ(level, 2);
}

}  // namespace
