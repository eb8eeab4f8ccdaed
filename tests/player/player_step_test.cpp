#include "player/player_step.h"

#include <gtest/gtest.h>

#include "support/test_game.h"

namespace kolvar {
namespace {

using testing::FillMap;
using testing::SetCells;
using testing::TestGame;

constexpr uint8_t kWall = 16;

struct PlayerTest : ::testing::Test {
  PlayerTest() {
    FillMap(t.game, kWall);
    t.game.TimeLeft = 150;
  }
  void Place(int32_t x, int32_t y) {
    t.game.PlayerX = x;
    t.game.PlayerY = y;
  }
  // One frame with `key` pressed (and released again before the next poll).
  int32_t StepWith(Key key) {
    t.platform.PressKey(key);
    t.platform.ReleaseKey(key);
    return StepPlayer(t.game);
  }
  TestGame t;
};

TEST_F(PlayerTest, StandingStillChangesNothing) {
  SetCells(t.game, 0, 0, 9, 6, kFloor);
  Place(64, 64);
  t.game.PlayerDir = 3;
  t.game.PlayerAnimStep = 2;
  EXPECT_EQ(StepPlayer(t.game), 0);
  EXPECT_EQ(t.game.PlayerDir, 3);
  EXPECT_EQ(t.game.PlayerAnimStep, 2);
  EXPECT_EQ(t.game.PlayerX, 64);
}

TEST_F(PlayerTest, WalkingMovesFourPixelsAndCyclesTheWalkSteps) {
  SetCells(t.game, 0, 2, 9, 2, kFloor);
  Place(32, 64);
  const int32_t steps[] = {1, 2, 3, 0, 1};
  for (int32_t expected : steps) {
    EXPECT_EQ(StepWith(Key::Right), 2);
    EXPECT_EQ(t.game.PlayerAnimStep, expected);
  }
  EXPECT_EQ(t.game.PlayerX, 52);
  EXPECT_EQ(t.game.PlayerDir, 1);
}

TEST_F(PlayerTest, BlockedStepTurnsButKeepsPositionAndWalkStep) {
  SetCells(t.game, 1, 2, 2, 2, kFloor);
  Place(32, 64);  // right edge of the feet at 60: the next step reaches column 2
  t.game.PlayerAnimStep = 3;
  t.game.PlayerDir = 2;
  EXPECT_EQ(StepWith(Key::Right), 2);
  EXPECT_EQ(t.game.PlayerX, 36);
  for (int i = 0; i < 10; ++i) StepWith(Key::Right);
  EXPECT_EQ(t.game.PlayerX, 68);  // the next step's feet would reach column 3
  const int32_t step = t.game.PlayerAnimStep;
  EXPECT_EQ(StepWith(Key::Right), 2);
  EXPECT_EQ(t.game.PlayerX, 68);
  EXPECT_EQ(t.game.PlayerAnimStep, step);
  EXPECT_EQ(StepWith(Key::Left), 4);
  EXPECT_EQ(t.game.PlayerDir, 3);
}

TEST_F(PlayerTest, OneCellCorridorAdmitsThreeAlignments) {
  // A vertical corridor at column 4 above a room in row 5.
  SetCells(t.game, 4, 0, 4, 4, kFloor);
  SetCells(t.game, 0, 5, 9, 5, kFloor);
  for (int32_t x : {120, 124, 128, 132, 136}) {
    Place(x, 144);
    StepWith(Key::Up);
    const bool moved = t.game.PlayerY == 140;
    EXPECT_EQ(moved, x >= 124 && x <= 132) << "x " << x;
  }
  // A horizontal corridor at row 3 admits y from 32 x 3 - 16 to 32 x 3.
  FillMap(t.game, kWall);
  SetCells(t.game, 0, 3, 9, 3, kFloor);
  for (int32_t y = 76; y <= 100; y += 4) {
    Place(64, y);
    StepWith(Key::Right);
    EXPECT_EQ(t.game.PlayerX == 68, y >= 80 && y <= 96) << "y " << y;
  }
}

TEST_F(PlayerTest, ProbesMixTruncatingAndFlooringDivisionAtTheViewEdges) {
  t.game.ViewX = 10;
  t.game.ViewY = 7;
  Place(0, 0);
  EXPECT_EQ(PlayerProbes(t.game, 1).a.column, 11);  // (0 - 4) div 32 is 0
  Place(-20, 0);
  EXPECT_EQ(PlayerProbes(t.game, 1).a.column, 11);
  EXPECT_EQ(PlayerProbes(t.game, 3).a.column, 9);  // floor(-20 / 32) is -1
  Place(0, -20);
  EXPECT_EQ(PlayerProbes(t.game, 0).a.row, 6);  // floor((-20 + 12) / 32) is -1
  EXPECT_EQ(PlayerProbes(t.game, 1).a.row, 7);  // (-20 + 16) div 32 is 0
  EXPECT_EQ(PlayerProbes(t.game, 2).a.row, 7);  // floor(-20 / 32) + 1 is 0
  Place(-4, 0);
  EXPECT_EQ(PlayerProbes(t.game, 2).a.column, 10);
}

TEST_F(PlayerTest, HoldingLeftWalksPastTheViewEdgeWhileTheColumnBeyondIsFloor) {
  t.game.ViewX = 10;
  SetCells(t.game, 9, 2, 12, 2, kFloor);
  Place(0, 64);
  t.platform.PressKey(Key::Left);
  for (int i = 0; i < 5; ++i) StepPlayer(t.game);
  EXPECT_EQ(t.game.PlayerX, -20);
  for (int i = 0; i < 10; ++i) StepPlayer(t.game);
  EXPECT_EQ(t.game.PlayerX, -36);  // the next step's feet would reach column 8
}

TEST_F(PlayerTest, CellsOffTheMapAreWalls) {
  FillMap(t.game, kFloor);
  Place(0, 0);
  t.platform.PressKey(Key::Left);
  for (int i = 0; i < 5; ++i) StepPlayer(t.game);
  EXPECT_EQ(t.game.PlayerX, -4);
  t.platform.ReleaseKey(Key::Left);
  t.platform.PressKey(Key::Up);
  for (int i = 0; i < 8; ++i) StepPlayer(t.game);
  EXPECT_EQ(t.game.PlayerY, -16);  // feet's top at -4 would be row -1
  t.game.ViewX = 22;
  Place(288, 0);
  t.platform.ReleaseKey(Key::Up);
  t.platform.PressKey(Key::Right);
  for (int i = 0; i < 8; ++i) StepPlayer(t.game);
  EXPECT_EQ(t.game.PlayerX, 292);  // column 32 does not exist
}

TEST_F(PlayerTest, ArrowKeysArePolledUpRightDownLeftAndLaterPressesWait) {
  FillMap(t.game, kFloor);
  Place(128, 96);
  t.platform.PressKey(Key::Up);
  t.platform.PressKey(Key::Right);
  EXPECT_EQ(StepPlayer(t.game), 1);
  EXPECT_EQ(t.game.PlayerX, 128);
  EXPECT_EQ(t.game.PlayerY, 92);
  // A tap of Left while Up is held.
  t.platform.PressKey(Key::Left);
  t.platform.ReleaseKey(Key::Left);
  t.platform.ReleaseKey(Key::Right);
  EXPECT_EQ(StepPlayer(t.game), 1);
  t.platform.ReleaseKey(Key::Up);
  // Up is no longer down but its press was consumed; Right was pressed and
  // never polled while Up acted, so it acts now; Left still waits.
  EXPECT_EQ(StepPlayer(t.game), 2);
  EXPECT_EQ(StepPlayer(t.game), 4);
  EXPECT_EQ(StepPlayer(t.game), 0);
}

TEST_F(PlayerTest, KeyChestReachedByAStepOpensInTheSameFrame) {
  SetCells(t.game, 0, 3, 5, 3, kFloor);
  t.game.TileMap.Set(6, 3, kKeyChest);
  t.game.KeyCellX = 6;
  t.game.KeyCellY = 3;
  t.game.Score = 50;
  Place(160, 96);
  EXPECT_EQ(StepWith(Key::Right), 2);
  EXPECT_EQ(t.game.PlayerX, 32 * 6 - 28);
  EXPECT_EQ(t.game.GameFlags[kKeyHeld], kTrue);
  EXPECT_EQ(t.game.Score, 50 + 100 + 2 * 150);
  EXPECT_EQ(t.game.HiScore, t.game.Score);
  EXPECT_EQ(t.game.TileMap.Get(6, 3), kFloor);
}

TEST_F(PlayerTest, ExitDoorOpensOnlyWithTheKey) {
  SetCells(t.game, 0, 3, 5, 3, kFloor);
  t.game.TileMap.Set(6, 3, kExitDoor);
  t.game.ExitCellX = 6;
  t.game.ExitCellY = 3;
  Place(164, 96);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(StepWith(Key::Right), 2);
    EXPECT_EQ(t.game.TileMap.Get(6, 3), kExitDoor);
    EXPECT_EQ(t.game.GameFlags[kStageCleared], kFalse);
  }
  t.game.GameFlags[kKeyHeld] = kTrue;
  StepWith(Key::Right);
  EXPECT_EQ(t.game.TileMap.Get(6, 3), kFloor);
  EXPECT_EQ(t.game.GameFlags[kStageCleared], kTrue);
}

TEST_F(PlayerTest, ChestAndDoorInOneProbePairRunKeyThenExit) {
  SetCells(t.game, 0, 3, 5, 4, kFloor);
  t.game.TileMap.Set(6, 3, kKeyChest);
  t.game.TileMap.Set(6, 4, kExitDoor);
  t.game.KeyCellX = 6;
  t.game.KeyCellY = 3;
  t.game.ExitCellX = 6;
  t.game.ExitCellY = 4;
  Place(164, 104);  // feet span rows 3 and 4
  StepWith(Key::Right);
  EXPECT_EQ(t.game.GameFlags[kKeyHeld], kTrue);
  EXPECT_EQ(t.game.GameFlags[kStageCleared], kTrue);
  EXPECT_EQ(t.platform.music.log, "stop;");
}

}  // namespace
}  // namespace kolvar
