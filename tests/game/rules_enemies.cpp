// Enemy tanks: placement at a level start and replacements rolling in.
#include "game/rules_support.h"
#include "game/scenario_support.h"
#include "shell/random.h"

namespace {

using rules::Rules;

// Runs the arrival steps of UpdateWorld for `frames` frames; returns the arrivals started.
int RunArrivals(int frames) {
  int arrivals = 0;
  for (int frame = 0; frame < frames; frame++) {
    int before = arrival_active;
    ScheduleArrival();
    arrivals += before == 0 && arrival_active == 1;
    if (arrival_active == 1) AdvanceArrival();
  }
  return arrivals;
}

TEST_F(Rules, LevelStartPlacesTanksOnGridCellsWithThreeDrawsEach) {
  level = 3;
  RandomSeed(77);
  StartLevel();
  scenario::Lcg reference{77};
  for (int i = 0; i < 5; i++) {
    int column = reference.Next() % 23;
    int row = reference.Next() % 14;
    reference.Next();  // the frame, replaced by the treads before it shows
    EXPECT_EQ(enemy_tanks[i].state, ENEMY_ACTIVE);
    EXPECT_EQ(enemy_tanks[i].x, 21 + 33 * column);
    EXPECT_EQ(enemy_tanks[i].y, 98 + 33 * row);
    EXPECT_EQ(enemy_list[i], i);
  }
  EXPECT_EQ(RandomState(), reference.state);
  EXPECT_EQ(enemy_tanks[5].state, ENEMY_FREE);
  EXPECT_EQ(enemies_onscreen, 5);
}

TEST_F(Rules, LevelOneSendsReplacementsUntilTheQuotaIsOnTheField) {
  StartLevel();
  for (int kill = 1; kill <= 4; kill++) {
    SCOPED_TRACE(kill);
    int slot = enemy_tanks[0].state == ENEMY_ACTIVE ? 0 : 1;
    rules::ShootTank(0, slot);
    EXPECT_EQ(enemy_list[slot], -1);
    // An opportunity comes within 51 frames; rolling in takes 21 more.
    EXPECT_EQ(RunArrivals(51 + 21), kill < 4 ? 1 : 0);
  }
  EXPECT_EQ(enemies_left, 1);
  EXPECT_EQ(enemies_onscreen, 1);
  EXPECT_EQ(RunArrivals(500), 0);
}

TEST_F(Rules, ATankRollingInFromTheRightStopsAt739AndCannotBeHitMeanwhile) {
  enemies_placed = 1;
  enemy_list[0] = -1;
  rules::SeedSoThat([] { return RandomNext() % 4 >= 2; });
  PlaceEnemy(0, 0, PLACE_ARRIVING);
  arrival_active = 1;
  BOB* tank = &enemy_tanks[0];
  ASSERT_EQ(tank->x, 799);
  EXPECT_EQ(enemy_list[0], 0);
  EXPECT_EQ(tank->user_slots[SLOT_AI_MODE], AI_HUNT);

  // A shell and an armed mine right on top of it, all the way.
  mines[0].state = MINE_LAID;
  mines[0].user_slots[SLOT_ARM_COUNT] = MINE_ARMED_COUNT;
  for (int step = 1; step <= 20; step++) {
    AdvanceArrival();
    EXPECT_EQ(tank->x, 799 - 3 * step);
    mines[0].x = tank->x + 8;
    mines[0].y = tank->y + 8;
    rules::ShootTank(1, 0);
    TestMinesOnEnemies();
    ASSERT_EQ(tank->state, ENEMY_ARRIVING);
  }
  AdvanceArrival();
  EXPECT_EQ(tank->state, ENEMY_ACTIVE);
  EXPECT_EQ(tank->x, 739);
  EXPECT_EQ(arrival_active, 0);
}

}  // namespace
