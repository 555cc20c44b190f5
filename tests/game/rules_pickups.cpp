// The blast and life pick-ups.
#include <dinput.h>

#include "game/rules_support.h"
#include "gfx/random.h"

namespace {

using rules::Rules;

TEST_F(Rules, TheBlastPickUpDestroysActiveTanksSparesTheArrivingOneAndScoresThirty) {
  enemy_slots = 5;
  rules::ActivateTank(0, 100, 150);
  rules::ActivateTank(1, 200, 150);
  rules::ActivateTank(3, 300, 150);
  rules::ActivateTank(4, 700, 400);
  enemy_tanks[4].state = ENEMY_ARRIVING;
  enemies_left = 9;
  score = 10;
  PlaceBlastPickup(0, 0);
  player_tank.x = blast_pickup.x + 10;
  player_tank.y = blast_pickup.y + 10;
  UpdateBlastPickup();
  for (int slot : {0, 1, 3}) EXPECT_EQ(enemy_tanks[slot].state, ENEMY_FREE);
  EXPECT_EQ(enemy_tanks[4].state, ENEMY_ARRIVING);
  EXPECT_EQ(enemies_left, 6);
  EXPECT_EQ(enemies_onscreen, 1);
  EXPECT_EQ(score, 40);
  EXPECT_EQ(arrival_wanted, 1);
  EXPECT_EQ(explosions[2].state, EXPLOSION_PLAYING);
  EXPECT_EQ(explosions[3].state, EXPLOSION_FREE);
  EXPECT_EQ(life_pickup.state, LIFE_ABSENT) << "no lucky draws for these kills";
  EXPECT_EQ(blast_pickup.state, BLAST_HIDDEN);
  EXPECT_EQ(blast_timer, 1) << "the timer step runs in the frame of the touch too";
}

TEST_F(Rules, F2PlacesTheBlastPickUpOnceRowFromTheFirstDrawColumnFromTheSecond) {
  rules::HoldKey(DIK_F2, true);
  RandomSeed(9);
  int r1 = RandomNext(), r2 = RandomNext();
  RandomSeed(9);
  HandlePlayerInput();
  EXPECT_EQ(blast_pickup.state, BLAST_SHOWN);
  EXPECT_EQ(blast_pickup.x, 21 + 33 * (r2 % 23));
  EXPECT_EQ(blast_pickup.y, 98 + 33 * (r1 % 14));
  int x = blast_pickup.x, y = blast_pickup.y;
  for (int frame = 0; frame < 10; frame++) HandlePlayerInput();
  EXPECT_EQ(blast_pickup.x, x);
  EXPECT_EQ(blast_pickup.y, y);
}

TEST_F(Rules, ALifePickUpIsOnTheFieldFor151FramesUnlessTouched) {
  PlaceLifePickup(300, 300);
  player_tank.x = 600;
  int shown = 0;
  while (life_pickup.state == LIFE_SHOWN && shown < 1000) {
    shown++;  // drawn in this frame, then the rules step
    UpdateLifePickup();
  }
  EXPECT_EQ(shown, 151);
  EXPECT_EQ(life_pickup_timer, 0);
  EXPECT_EQ(lives, 8);
}

TEST_F(Rules, OnlyATankInPlayCollectsALifePickUp) {
  PlaceLifePickup(player_tank.x + 20, player_tank.y);
  player_tank.state = PLAYER_DESTROYED;
  UpdateLifePickup();
  EXPECT_EQ(life_pickup.state, LIFE_SHOWN);
  player_tank.state = PLAYER_IN_PLAY;
  UpdateLifePickup();
  EXPECT_EQ(life_pickup.state, LIFE_ABSENT);
  EXPECT_EQ(lives, 9);
  EXPECT_EQ(score, 30);
}

TEST_F(Rules, ALuckyKillDropsALifePickUpWhereTheTankStoodOnlyWhenNoneIsShown) {
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
