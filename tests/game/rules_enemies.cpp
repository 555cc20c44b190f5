// Enemy tanks: placement at a level start, replacements rolling in, movement and fire.
#include "game/rules_support.h"
#include "game/scenario_support.h"
#include "gfx/random.h"

namespace {

using rules::Rules;

// Runs the arrival steps of UpdateWorld for `frames` frames; returns the arrivals seen.
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

int FirstActiveTank() {
  for (int i = 0; i < ENEMY_TANK_COUNT; i++)
    if (enemy_tanks[i].state == ENEMY_ACTIVE) return i;
  return -1;
}

TEST_F(Rules, LevelStartPlacesTanksOnGridCellsWithThreeDrawsEach) {
  level = 3;
  RandomSeed(77);
  StartLevel();
  scenario::Lcg reference{77};
  for (int i = 0; i < 5; i++) {
    int column = reference.Next() % 23;
    int row = reference.Next() % 14;
    reference.Next();  // the tank's frame, overwritten by the treads before it shows
    EXPECT_EQ(enemy_tanks[i].state, ENEMY_ACTIVE);
    EXPECT_EQ(enemy_tanks[i].x, 21 + 33 * column);
    EXPECT_EQ(enemy_tanks[i].y, 98 + 33 * row);
    EXPECT_EQ(enemy_list[i], i);
  }
  EXPECT_EQ(RandomState(), reference.state);
  for (int i = 5; i < ENEMY_TANK_COUNT; i++) EXPECT_EQ(enemy_tanks[i].state, ENEMY_FREE);
  EXPECT_EQ(enemies_placed, 5);
  EXPECT_EQ(enemies_onscreen, 5);
}

TEST_F(Rules, LevelOneSendsReplacementsUntilTheQuotaIsOnTheField) {
  StartLevel();
  ASSERT_EQ(enemies_left, 5);
  ASSERT_EQ(enemies_onscreen, 2);
  for (int kill = 1; kill <= 4; kill++) {
    SCOPED_TRACE(kill);
    int slot = FirstActiveTank();
    ASSERT_GE(slot, 0);
    rules::ShootTank(0, slot);
    EXPECT_EQ(enemy_list[slot], -1);
    // An opportunity comes within 51 frames; rolling in takes 21 more.
    int arrivals = RunArrivals(51 + 21);
    EXPECT_EQ(arrivals, kill < 4 ? 1 : 0);
    if (kill < 4) {
      EXPECT_EQ(enemy_list[slot], slot);
    }
  }
  EXPECT_EQ(enemies_left, 1);
  EXPECT_EQ(enemies_onscreen, 1);
  EXPECT_EQ(RunArrivals(500), 0);
}

TEST_F(Rules, TwoKillsInOneWindowAreReplacedAtTwoSuccessiveOpportunities) {
  level = 3;  // 5 placed, 10 to destroy
  StartLevel();
  rules::ShootTank(0, 1);
  rules::ShootTank(0, 3);
  arrival_tick = 50;
  EXPECT_EQ(RunArrivals(1), 1);
  EXPECT_EQ(enemy_tanks[1].state, ENEMY_ARRIVING);
  EXPECT_EQ(arrival_wanted, 1) << "slot 3 still waits";
  EXPECT_EQ(RunArrivals(51), 1);
  EXPECT_EQ(enemy_tanks[3].state, ENEMY_ARRIVING);
  EXPECT_EQ(arrival_wanted, 0);
}

TEST_F(Rules, ATankRollingInFromTheRightStopsAt739AndCannotBeHitMeanwhile) {
  rules::ActivateTank(0, 400, 200);
  enemy_tanks[0].state = ENEMY_FREE;
  enemy_list[0] = -1;
  rules::SeedSoThat([] { return RandomNext() % 4 >= 2; });
  PlaceEnemy(0, 0, PLACE_ARRIVING);
  arrival_active = 1;
  BOB* tank = &enemy_tanks[0];
  ASSERT_EQ(tank->x, 799);
  EXPECT_EQ(tank->user_slots[SLOT_AI_MODE], AI_HUNT);

  // A shell and an armed mine right on top of it, for the whole roll.
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
  EXPECT_EQ(tank->x, 739);
  EXPECT_EQ(tank->user_slots[SLOT_HEADING], DIR_LEFT);
  AdvanceArrival();
  EXPECT_EQ(tank->state, ENEMY_ACTIVE);
  EXPECT_EQ(arrival_active, 0);
  EXPECT_EQ(tank->x, 739);
}

TEST_F(Rules, ATankDrivenIntoACornerIsClampedTwiceAndKeepsTheSecondHeading) {
  rules::ActivateTank(0, 12, 90);
  enemy_tanks[0].user_slots[SLOT_HEADING] = DIR_LEFT;
  // Two draws that differ, so the test can tell which one counts.
  rules::SeedSoThat([] { return RandomNext() % 4 != RandomNext() % 4; });
  scenario::Lcg reference{RandomState()};
  reference.Next();
  int second = reference.Next() % 4;
  MoveEnemy(0);
  EXPECT_EQ(enemy_tanks[0].x, 11);
  EXPECT_EQ(enemy_tanks[0].y, 91);
  EXPECT_EQ(enemy_tanks[0].user_slots[SLOT_HEADING], second);
  EXPECT_EQ(RandomState(), reference.state);
}

TEST_F(Rules, AWanderingTankFiresAlongItsHeadingWheneverThatAxisLinesUp) {
  rules::ActivateTank(2, 500, 300);
  enemy_tanks[2].user_slots[SLOT_HEADING] = DIR_RIGHT;
  player_tank.x = 100;  // to its left
  player_tank.y = 305;
  FireIfLinedUp(2);
  EXPECT_EQ(enemy_shells[2].state, SHELL_IN_FLIGHT);
  EXPECT_EQ(enemy_shells[2].user_slots[SLOT_SHELL_HEADING], DIR_RIGHT);
  EXPECT_EQ(enemy_shells[2].x, 508);

  // One shell per tank: the second shot waits for it.
  enemy_shells[2].x = 600;
  FireIfLinedUp(2);
  EXPECT_EQ(enemy_shells[2].x, 600);

  enemy_shells[2].state = SHELL_READY;
  player_tank.y = 306;
  FireIfLinedUp(2);
  EXPECT_EQ(enemy_shells[2].state, SHELL_READY) << "6 pixels off is not lined up";
}

TEST_F(Rules, AnEnemyShellMadeReadyAtTheEdgeStillHitsThePlayerThatStep) {
  player_tank.x = 11;
  player_tank.y = 300;
  enemy_shells[4].state = SHELL_IN_FLIGHT;
  enemy_shells[4].user_slots[SLOT_SHELL_HEADING] = DIR_LEFT;
  enemy_shells[4].x = 16;
  enemy_shells[4].y = 305;
  UpdateEnemyShells();
  EXPECT_EQ(enemy_shells[4].x, 4);
  EXPECT_EQ(enemy_shells[4].state, SHELL_READY);
  EXPECT_EQ(player_tank.state, PLAYER_DESTROYED);
  EXPECT_EQ(lives, 7);
}

}  // namespace
