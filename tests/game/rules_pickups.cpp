// The blast and life pick-ups.
#include "game/rules_support.h"
#include "shell/random.h"

namespace {

using rules::Rules;

TEST_F(Rules, TheBlastPickUpDestroysActiveTanksSparesTheArrivingOneAndScoresThirty) {
  enemy_slots = 5;
  for (int slot : {0, 1, 3, 4}) rules::ActivateTank(slot, 100 * (slot + 1), 150);
  enemy_tanks[4].state = ENEMY_ARRIVING;
  enemies_left = 9;
  PlaceBlastPickup(0, 0);
  player_tank.x = blast_pickup.x + 10;
  player_tank.y = blast_pickup.y + 10;
  UpdateBlastPickup();
  for (int slot : {0, 1, 3}) EXPECT_EQ(enemy_tanks[slot].state, ENEMY_FREE);
  EXPECT_EQ(enemy_tanks[4].state, ENEMY_ARRIVING);
  EXPECT_EQ(enemies_left, 6);
  EXPECT_EQ(enemies_onscreen, 1);
  EXPECT_EQ(score, 30);
  EXPECT_EQ(explosions[2].state, EXPLOSION_PLAYING);
  EXPECT_EQ(explosions[3].state, EXPLOSION_FREE);
  EXPECT_EQ(blast_pickup.state, BLAST_HIDDEN);
  EXPECT_EQ(blast_timer, 1) << "the timer step runs in the frame of the touch too";
}

TEST_F(Rules, ALifePickUpIsOnTheFieldFor151FramesAndOnlyATankInPlayCollectsIt) {
  PlaceLifePickup(300, 300);
  player_tank.x = 310;
  player_tank.y = 310;
  player_tank.state = PLAYER_DESTROYED;
  int shown = 0;
  while (life_pickup.state == LIFE_SHOWN && shown < 1000) {
    shown++;  // drawn in this frame, then the rules step
    UpdateLifePickup();
  }
  EXPECT_EQ(shown, 151);
  EXPECT_EQ(lives, 8);

  PlaceLifePickup(300, 300);
  player_tank.state = PLAYER_IN_PLAY;
  UpdateLifePickup();
  EXPECT_EQ(life_pickup.state, LIFE_ABSENT);
  EXPECT_EQ(lives, 9);
  EXPECT_EQ(score, 30);
}

TEST_F(Rules, ALuckyKillDropsALifePickUpWhereTheTankStoodWhenNoneIsShown) {
  rules::ActivateTank(0, 250, 260);
  rules::ActivateTank(1, 450, 460);
  rules::SeedSoThat([] { return RandomNext() % 20 == 5 && RandomNext() % 20 == 5; });
  rules::ShootTank(0, 0);
  EXPECT_EQ(life_pickup.state, LIFE_SHOWN);
  EXPECT_EQ(life_pickup.x, 250);
  EXPECT_EQ(life_pickup.y, 260);
  rules::ShootTank(1, 1);
  EXPECT_EQ(life_pickup.x, 250) << "the second lucky draw places nothing";
}

}  // namespace
