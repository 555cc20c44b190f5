// Hits, explosions, score and lives.
#include "game/rules_support.h"

namespace {

using rules::Rules;

void ArmMineAt(int index, int x, int y) {
  mines[index].state = MINE_LAID;
  mines[index].x = x;
  mines[index].y = y;
  mines[index].user_slots[SLOT_ARM_COUNT] = MINE_ARMED_COUNT;
}

void AimEnemyShell(int shell, int direction, int x, int y) {
  enemy_shells[shell].state = SHELL_IN_FLIGHT;
  enemy_shells[shell].user_slots[SLOT_SHELL_HEADING] = direction;
  enemy_shells[shell].x = x;
  enemy_shells[shell].y = y;
}

TEST_F(Rules, OverlapBoxesAreThreeQuartersOfTheSpriteAnchoredAtItsCorner) {
  EXPECT_EQ(RectsOverlap(0, 0, 32, 32, 23, 0, 32, 32), 1);
  EXPECT_EQ(RectsOverlap(0, 0, 32, 32, 24, 0, 32, 32), 0);
  EXPECT_EQ(RectsOverlap(0, 0, 32, 32, 0, -23, 32, 32), 1);
  EXPECT_EQ(RectsOverlap(0, 0, 32, 32, 0, -24, 32, 32), 0);
  // Half sizes 12 and 8: the mine's 21 x 21 box reaches 15 pixels left of a tank, not 16.
  EXPECT_EQ(RectsOverlap(0, 0, 32, 32, -15, 0, 21, 21), 1);
  EXPECT_EQ(RectsOverlap(0, 0, 32, 32, -16, 0, 21, 21), 0);
}

TEST_F(Rules, KillsScoreFiveByShellFiftyByMineAndTheOwnMineCostsOneHundredFifty) {
  rules::ActivateTank(0, 200, 200);
  rules::ActivateTank(1, 500, 400);
  rules::ShootTank(0, 0);
  EXPECT_EQ(score, 5);
  EXPECT_EQ(enemies_left, 4);
  EXPECT_EQ(enemies_onscreen, 1);
  EXPECT_EQ(arrival_wanted, 1);
  EXPECT_EQ(player_shells[0].state, SHELL_READY);
  EXPECT_EQ(explosions[0].x, 192);

  ArmMineAt(3, 508, 408);
  TestMinesOnEnemies();
  EXPECT_EQ(score, 55);
  EXPECT_EQ(enemy_tanks[1].state, ENEMY_FREE);
  EXPECT_EQ(mines[3].state, MINE_UNLAID);
  EXPECT_EQ(explosions[2].x, 508 - 16) << "the mine's own blast follows the tank's";

  ArmMineAt(4, player_tank.x + 8, player_tank.y + 8);
  TestMinesOnPlayer();
  EXPECT_EQ(score, -95);
  EXPECT_EQ(lives, 7);
  EXPECT_EQ(respawn_pending, 1);
}

TEST_F(Rules, WithEightExplosionsPlayingAHitShowsNoneButStillCounts) {
  for (BOB& explosion : explosions) explosion.state = EXPLOSION_PLAYING;
  rules::ActivateTank(5, 300, 300);
  rules::ShootTank(2, 5);
  EXPECT_EQ(enemy_tanks[5].state, ENEMY_FREE);
  EXPECT_EQ(enemies_left, 4);
  EXPECT_EQ(score, 5);
  for (const BOB& explosion : explosions) EXPECT_EQ(explosion.x, 320);
}

TEST_F(Rules, AnExplosionShowsFramesOneToNineThenFreesItsSlot) {
  StartExplosion(50, 60);
  int shown = 0;
  while (explosions[0].state == EXPLOSION_PLAYING && shown < 20) {
    AnimateBob(&explosions[0]);
    EXPECT_EQ(explosions[0].frame, ++shown);
    ReleaseExplosions();
  }
  EXPECT_EQ(shown, 9);
}

TEST_F(Rules, ADestroyedTankIsHitByNothingMore) {
  // A shell and an armed mine in one frame cost one life.
  AimEnemyShell(0, DIR_DOWN, player_tank.x + 8, player_tank.y - 4);
  ArmMineAt(0, player_tank.x + 8, player_tank.y + 8);
  UpdateEnemyShells();
  TestMinesOnPlayer();
  EXPECT_EQ(lives, 7);
  EXPECT_EQ(score, 0);
  EXPECT_EQ(mines[0].state, MINE_LAID);
  // Later shells fly through its hidden position.
  AimEnemyShell(1, DIR_UP, player_tank.x + 8, player_tank.y + 20);
  UpdateEnemyShells();
  EXPECT_EQ(enemy_shells[1].state, SHELL_IN_FLIGHT);
  EXPECT_EQ(lives, 7);
}

TEST_F(Rules, TheTankComesBackThirtyFramesLaterAtTheRespawnPoint) {
  AimEnemyShell(0, DIR_UP, player_tank.x + 8, player_tank.y + 20);
  UpdateEnemyShells();
  for (int frame = 0; frame < 30; frame++) {
    RunRespawnStep();
    ASSERT_EQ(player_tank.state, PLAYER_DESTROYED) << frame;
  }
  RunRespawnStep();
  EXPECT_EQ(player_tank.state, PLAYER_IN_PLAY);
  EXPECT_EQ(player_tank.x, 384);
  EXPECT_EQ(player_tank.y, 300);
  EXPECT_EQ(respawn_pending, 0);
}

}  // namespace
