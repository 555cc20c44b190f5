// Hits, explosions, score and lives.
#include "game/rules_support.h"

namespace {

using rules::Rules;

int PlayingExplosions() {
  int count = 0;
  for (const BOB& explosion : explosions) count += explosion.state == EXPLOSION_PLAYING;
  return count;
}

void ArmMineAt(int index, int x, int y) {
  mines[index].state = MINE_LAID;
  mines[index].x = x;
  mines[index].y = y;
  mines[index].user_slots[SLOT_ARM_COUNT] = MINE_ARMED_COUNT;
}

TEST_F(Rules, OverlapBoxesAreThreeQuartersOfTheSpriteAnchoredAtItsCorner) {
  EXPECT_EQ(RectsOverlap(0, 0, 32, 32, 23, 0, 32, 32), 1);
  EXPECT_EQ(RectsOverlap(0, 0, 32, 32, 24, 0, 32, 32), 0);
  EXPECT_EQ(RectsOverlap(0, 0, 32, 32, -23, 0, 32, 32), 1);
  EXPECT_EQ(RectsOverlap(0, 0, 32, 32, -24, 0, 32, 32), 0);
  EXPECT_EQ(RectsOverlap(0, 0, 32, 32, 0, 23, 32, 32), 1);
  EXPECT_EQ(RectsOverlap(0, 0, 32, 32, 0, 24, 32, 32), 0);
  // Half sizes 12 and 8: a 21 x 21 box still overlaps a tank 23 pixels off, not 24.
  EXPECT_EQ(RectsOverlap(0, 0, 32, 32, 23, 0, 21, 21), 1);
  EXPECT_EQ(RectsOverlap(0, 0, 32, 32, 24, 0, 21, 21), 0);
  EXPECT_EQ(RectsOverlap(0, 0, 32, 32, -15, 0, 21, 21), 1);
  EXPECT_EQ(RectsOverlap(0, 0, 32, 32, -16, 0, 21, 21), 0);
}

TEST_F(Rules, KillsScoreFiveByShellAndFiftyByMineAndTheOwnMineCostsOneHundredFifty) {
  rules::ActivateTank(0, 200, 200);
  rules::ActivateTank(1, 500, 400);
  enemies_left = 5;
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
  EXPECT_EQ(PlayingExplosions(), 3) << "the tank's and the mine's own";
  EXPECT_EQ(explosions[2].x, 508 - 16);

  ArmMineAt(4, player_tank.x + 8, player_tank.y + 8);
  TestMinesOnPlayer();
  EXPECT_EQ(score, -95);
  EXPECT_EQ(lives, 7);
  EXPECT_EQ(player_tank.state, PLAYER_DESTROYED);
  EXPECT_EQ(respawn_pending, 1);
}

TEST_F(Rules, WithEightExplosionsPlayingAHitShowsNoneButStillCounts) {
  for (BOB& explosion : explosions) {
    explosion.state = EXPLOSION_PLAYING;
    explosion.x = 1;
  }
  rules::ActivateTank(5, 300, 300);
  rules::ShootTank(2, 5);
  EXPECT_EQ(enemy_tanks[5].state, ENEMY_FREE);
  EXPECT_EQ(enemies_left, 4);
  EXPECT_EQ(score, 5);
  for (const BOB& explosion : explosions) EXPECT_EQ(explosion.x, 1);
}

TEST_F(Rules, AnExplosionShowsFramesOneToNineThenFreesItsSlot) {
  StartExplosion(50, 60);
  int shown = 0;
  while (explosions[0].state == EXPLOSION_PLAYING && shown < 20) {
    AnimateBob(&explosions[0]);
    shown++;
    EXPECT_EQ(explosions[0].frame, shown);
    ReleaseExplosions();
  }
  EXPECT_EQ(shown, 9);
}

TEST_F(Rules, AShellAndAMineInOneFrameCostOneLife) {
  enemy_shells[0].state = SHELL_IN_FLIGHT;
  enemy_shells[0].user_slots[SLOT_SHELL_HEADING] = DIR_DOWN;
  enemy_shells[0].x = player_tank.x + 8;
  enemy_shells[0].y = player_tank.y - 4;
  ArmMineAt(0, player_tank.x + 8, player_tank.y + 8);
  UpdateEnemyShells();
  TestMinesOnPlayer();
  EXPECT_EQ(lives, 7);
  EXPECT_EQ(score, 0);
  EXPECT_EQ(mines[0].state, MINE_LAID) << "a destroyed tank does not set off the mine";

  // Later shells fly through the hidden tank.
  enemy_shells[1].state = SHELL_IN_FLIGHT;
  enemy_shells[1].user_slots[SLOT_SHELL_HEADING] = DIR_UP;
  enemy_shells[1].x = player_tank.x + 8;
  enemy_shells[1].y = player_tank.y + 20;
  UpdateEnemyShells();
  EXPECT_EQ(enemy_shells[1].state, SHELL_IN_FLIGHT);
  EXPECT_EQ(lives, 7);
}

TEST_F(Rules, TheTankComesBackThirtyFramesLaterAtTheRespawnPointButNotOnItsLastLife) {
  rules::ActivateTank(0, 100, 100);
  enemy_shells[0].state = SHELL_IN_FLIGHT;
  enemy_shells[0].x = player_tank.x + 8;
  enemy_shells[0].y = player_tank.y + 20;
  TestPlayerHit(0);
  ASSERT_EQ(player_tank.state, PLAYER_DESTROYED);
  for (int frame = 1; frame <= 30; frame++) {
    RunRespawnStep();
    ASSERT_EQ(player_tank.state, PLAYER_DESTROYED) << frame;
  }
  RunRespawnStep();
  EXPECT_EQ(player_tank.state, PLAYER_IN_PLAY);
  EXPECT_EQ(player_tank.x, 384);
  EXPECT_EQ(player_tank.y, 300);
  EXPECT_EQ(respawn_pending, 0);

  lives = 1;
  enemy_shells[0].state = SHELL_IN_FLIGHT;
  enemy_shells[0].x = player_tank.x + 8;
  enemy_shells[0].y = player_tank.y + 20;
  TestPlayerHit(0);
  EXPECT_EQ(lives, 0);
  RunGameOverStep();
  EXPECT_EQ(respawn_pending, 0) << "the game-over step cancels the respawn";
}

}  // namespace
