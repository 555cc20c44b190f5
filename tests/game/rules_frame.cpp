// The frame driver's own counters: the level banner, the music switch, the title demo.
#include <dinput.h>

#include "app/app.h"
#include "game/rules_support.h"
#include "gfx/app_shell.h"
#include "gfx/display.h"
#include "gfx/random.h"

namespace {

class FrameDriver : public rules::Rules {
 protected:
  void SetUp() override {
    Rules::SetUp();
    main_window = reinterpret_cast<HWND>(1);
    ASSERT_EQ(StartDisplay(800, 600, 8), 1);
    get_ready_count = 0;
    music_on = 1;
    music_latch = music_latch_count = 0;
    demo_turn_count = 0;
  }
  void TearDown() override { StopDisplay(); }
};

TEST_F(FrameDriver, ABannerShowsFor101FramesAndAStartedOneOnlyRunsOutTheCount) {
  get_ready_active = 1;
  int shown = 0;
  while (get_ready_active == 1 && shown < 1000) {
    DrawLevelBanner();
    shown++;
  }
  EXPECT_EQ(shown, 101);
  EXPECT_EQ(get_ready_count, 0);

  get_ready_active = 1;
  get_ready_count = 60;
  shown = 0;
  while (get_ready_active == 1 && shown < 1000) {
    DrawLevelBanner();
    shown++;
  }
  EXPECT_EQ(shown, 41);
}

TEST_F(FrameDriver, HoldingF4TogglesTheMusicEvery51Frames) {
  rules::HoldKey(DIK_F4, true);
  int toggles = 0, frames = 0, last = music_on;
  for (; frames < 103; frames++) {
    HandleMusicToggle();
    if (music_on != last) {
      toggles++;
      last = music_on;
      EXPECT_EQ(frames % 51, 0) << frames;
    }
  }
  EXPECT_EQ(toggles, 3);
  EXPECT_EQ(music_on, 0);
}

TEST_F(FrameDriver, TheTitleDemoKeepsTheTankOnScreenDrawingANewHeadingAtEachWall) {
  player_tank.x = 799;  // where start-up may leave it
  player_tank.y = 599;
  player_tank.user_slots[SLOT_DEMO_HEADING] = DIR_RIGHT;
  RandomSeed(3);
  RunTitleDemo();
  EXPECT_EQ(player_tank.x, 767);
  EXPECT_EQ(player_tank.y, 567);
  RandomSeed(3);
  RandomNext();
  EXPECT_EQ(player_tank.user_slots[SLOT_DEMO_HEADING], RandomNext() % 4);
  for (int frame = 0; frame < 2000; frame++) {
    RunTitleDemo();
    ASSERT_GE(player_tank.x, 1);
    ASSERT_LE(player_tank.x, 767);
    ASSERT_GE(player_tank.y, 1);
    ASSERT_LE(player_tank.y, 567);
  }
}

}  // namespace
