// The player's tank: movement on the keyboard, shells and mines.
#include <dinput.h>

#include "game/rules_support.h"

namespace {

using rules::HoldKey;
using rules::PlayFrame;
using rules::Rules;

TEST_F(Rules, DiagonalsOnTheKeyboardMoveOnlyVerticallyWithTheTreadsStill) {
  struct Case {
    int key_a, key_b, dy, frame;
  };
  const Case cases[] = {{DIK_UP, DIK_LEFT, -4, 0},  {DIK_UP, DIK_RIGHT, -4, 0},
                        {DIK_DOWN, DIK_LEFT, 4, 2}, {DIK_DOWN, DIK_RIGHT, 4, 2},
                        {DIK_UP, DIK_DOWN, 0, 6},   {DIK_LEFT, DIK_RIGHT, 0, 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.key_a << "+" << c.key_b);
    rules::ResetWorld();
    HoldKey(c.key_a, true);
    HoldKey(c.key_b, true);
    for (int frame = 1; frame <= 3; frame++) {
      HandlePlayerInput();
      EXPECT_EQ(player_tank.x, 400);
      EXPECT_EQ(player_tank.y, 300 + frame * c.dy);
      EXPECT_EQ(player_tank.frame, c.frame);
    }
  }
}

TEST_F(Rules, TheTankStopsAtThePlayfieldEdges) {
  struct Case {
    int key, x, y, end_x, end_y;
  };
  const Case cases[] = {{DIK_LEFT, 13, 300, 11, 300},
                        {DIK_RIGHT, 755, 300, 757, 300},
                        {DIK_UP, 400, 93, 400, 91},
                        {DIK_DOWN, 400, 559, 400, 561}};
  for (const Case& c : cases) {
    rules::ResetWorld();
    HoldKey(c.key, true);
    player_tank.x = c.x;
    player_tank.y = c.y;
    HandlePlayerInput();
    EXPECT_EQ(player_tank.x, c.end_x);
    EXPECT_EQ(player_tank.y, c.end_y);
  }
}

TEST_F(Rules, ADestroyedTankMovesUnseenButNeitherFiresNorLaysMines) {
  player_tank.state = PLAYER_DESTROYED;
  HoldKey(DIK_SPACE, true);
  HoldKey(DIK_LCONTROL, true);
  HoldKey(DIK_UP, true);
  HandlePlayerInput();
  EXPECT_EQ(player_tank.y, 296);
  EXPECT_EQ(player_shells[0].state, SHELL_READY);
  EXPECT_EQ(mines_laid, 0);
}

TEST_F(Rules, HeldFireLaunchesTheLowestReadyShellEveryFiveFrames) {
  player_tank.frame = 5;  // facing right
  player_shells[0].state = SHELL_IN_FLIGHT;
  player_shells[0].y = 500;  // flying up, still out for the next frames
  HoldKey(DIK_SPACE, true);
  PlayFrame();
  // Shell 1 leaves from the tank's centre and makes its first move in the same frame.
  EXPECT_EQ(player_shells[1].state, SHELL_IN_FLIGHT);
  EXPECT_EQ(player_shell_dir[1], DIR_RIGHT);
  EXPECT_EQ(player_shells[1].x, 400 + 8 + 12);
  EXPECT_EQ(player_shells[1].y, 300 + 8);
  for (int frame = 1; frame < 5; frame++) PlayFrame();
  EXPECT_EQ(player_shells[2].state, SHELL_READY) << "latched until the fifth frame";
  PlayFrame();
  EXPECT_EQ(player_shells[2].state, SHELL_IN_FLIGHT);
}

TEST_F(Rules, AShellFromTheRightEdgeIsReadyAfterItsSecondMove) {
  player_tank.x = 757;
  player_tank.frame = 1;
  FirePlayerShell();
  EXPECT_EQ(player_shells[0].x, 765);
  UpdatePlayerShells();
  EXPECT_EQ(player_shells[0].x, 777);
  EXPECT_EQ(player_shells[0].state, SHELL_IN_FLIGHT);
  UpdatePlayerShells();
  EXPECT_EQ(player_shells[0].state, SHELL_READY);
}

TEST_F(Rules, FifteenMinesALevelOneEveryFiftyFramesWhileHeld) {
  HoldKey(DIK_RCONTROL, true);
  PlayFrame();
  EXPECT_EQ(mines[0].state, MINE_LAID);
  EXPECT_EQ(mines[0].x, 408);
  player_tank.x = 600;  // off the mine before it arms
  for (int frame = 1; frame < 50; frame++) PlayFrame();
  EXPECT_EQ(mines_laid, 1);
  PlayFrame();
  EXPECT_EQ(mines_laid, 2);

  for (int i = 0; i < 20; i++) LayMine();
  EXPECT_EQ(mines_laid, MINE_COUNT);
  EXPECT_EQ(mines[MINE_COUNT - 1].state, MINE_LAID);
}

TEST_F(Rules, AMineIsHarmlessUpToFortyEightFramesAfterTheFrameOfLaying) {
  rules::ActivateTank(0, player_tank.x, player_tank.y);
  LayMine();
  player_tank.state = PLAYER_DESTROYED;  // keeps the player off its own mine
  // The frame of laying counts as the first of the fifty.
  for (int frame = 0; frame < 49; frame++) {
    ArmMines();
    TestMinesOnEnemies();
    ASSERT_EQ(enemy_tanks[0].state, ENEMY_ACTIVE) << "frame t + " << frame;
  }
  ArmMines();
  TestMinesOnEnemies();
  EXPECT_EQ(enemy_tanks[0].state, ENEMY_FREE);
  EXPECT_EQ(mines[0].state, MINE_UNLAID);
}

}  // namespace
