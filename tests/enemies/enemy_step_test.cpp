#include "enemies/enemy_step.h"

#include <gtest/gtest.h>

#include "support/test_game.h"

namespace kolvar {
namespace {

using testing::FillMap;
using testing::PlaceEnemy;
using testing::TestGame;

TEST(BlockingBox, StrictBoundsOnEverySide) {
  EnemySlot e;
  e.X = 100;
  e.Y = 200;
  EXPECT_TRUE(InBlockingBox(e, 100 - 11, 200));
  EXPECT_FALSE(InBlockingBox(e, 100 - 12, 200));
  EXPECT_TRUE(InBlockingBox(e, 100 + 9, 200));
  EXPECT_FALSE(InBlockingBox(e, 100 + 10, 200));
  EXPECT_TRUE(InBlockingBox(e, 100, 200 + 11));
  EXPECT_FALSE(InBlockingBox(e, 100, 200 + 12));
  EXPECT_TRUE(InBlockingBox(e, 100, 200 - 7));
  EXPECT_FALSE(InBlockingBox(e, 100, 200 - 8));
}

TEST(EnemyAt, IgnoresItselfAndInactiveSlots) {
  TestGame t;
  PlaceEnemy(t.game, 0, 2, 64, 64);
  EXPECT_FALSE(EnemyAt(t.game, 0, 64, 64));
  EXPECT_TRUE(EnemyAt(t.game, 1, 64, 64));
  t.game.EnemyTable[0].Active = kFalse;
  EXPECT_FALSE(EnemyAt(t.game, 1, 64, 64));
}

TEST(EnemyStep, OtherEnemiesBlockTheBoxNotTheCell) {
  TestGame t;
  FillMap(t.game, kFloor);
  // Same row: the mover at X - 16 steps right to X - 12 (free), then X - 8 is blocked.
  PlaceEnemy(t.game, 0, 2, 200, 96);
  PlaceEnemy(t.game, 1, 2, 184, 96);
  EXPECT_TRUE(TryEnemyStep(t.game, 1, 1));
  EXPECT_EQ(t.game.EnemyTable[1].X, 188);
  EXPECT_FALSE(TryEnemyStep(t.game, 1, 1));
  // From the right: X + 12 is free, X + 8 blocked.
  PlaceEnemy(t.game, 1, 2, 216, 96);
  EXPECT_TRUE(TryEnemyStep(t.game, 1, 3));
  EXPECT_EQ(t.game.EnemyTable[1].X, 212);
  EXPECT_FALSE(TryEnemyStep(t.game, 1, 3));
  // Same column: 12 below is free, 8 below blocked; 8 above free, 4 above blocked.
  PlaceEnemy(t.game, 1, 2, 200, 112);
  EXPECT_TRUE(TryEnemyStep(t.game, 1, 0));
  EXPECT_EQ(t.game.EnemyTable[1].Y, 108);
  EXPECT_FALSE(TryEnemyStep(t.game, 1, 0));
  PlaceEnemy(t.game, 1, 2, 200, 84);
  EXPECT_TRUE(TryEnemyStep(t.game, 1, 2));
  EXPECT_EQ(t.game.EnemyTable[1].Y, 88);
  EXPECT_FALSE(TryEnemyStep(t.game, 1, 2));
}

// Steps slot 0 in direction d until a step fails; returns where it stopped.
std::pair<int32_t, int32_t> WalkUntilBlocked(Game& g, int32_t d) {
  for (int i = 0; i < 100 && TryEnemyStep(g, 0, d);) ++i;
  return {g.EnemyTable[0].X, g.EnemyTable[0].Y};
}

TEST(EnemyStep, WallsAreProbedAtTheEdgesOfTheFeet) {
  TestGame t;
  FillMap(t.game, 16);
  testing::SetCells(t.game, 1, 1, 3, 1, kFloor);  // a corridor of three cells
  PlaceEnemy(t.game, 0, 2, 32, 32);
  EXPECT_FALSE(TryEnemyStep(t.game, 0, 2));  // row 2 below the feet
  // Left edge X, right edge X + 28, top edge Y + 12, bottom edge Y + 32.
  EXPECT_EQ(WalkUntilBlocked(t.game, 3), std::make_pair(28, 32));
  EXPECT_EQ(WalkUntilBlocked(t.game, 1), std::make_pair(100, 32));
  EXPECT_EQ(WalkUntilBlocked(t.game, 0), std::make_pair(100, 16));
  EXPECT_EQ(WalkUntilBlocked(t.game, 2), std::make_pair(100, 32));
}

TEST(EnemyStep, CellsOffTheMapAreWalls) {
  TestGame t;
  FillMap(t.game, kFloor);
  PlaceEnemy(t.game, 0, 2, 0, 0);
  EXPECT_EQ(WalkUntilBlocked(t.game, 3), std::make_pair(-4, 0));
  EXPECT_EQ(WalkUntilBlocked(t.game, 0), std::make_pair(-4, -16));
  PlaceEnemy(t.game, 0, 2, 992, 992);
  EXPECT_EQ(WalkUntilBlocked(t.game, 1), std::make_pair(996, 992));
  EXPECT_EQ(WalkUntilBlocked(t.game, 2), std::make_pair(996, 992));
}

TEST(EnemyContact, PlayerInsideAnyBoxRaisesTheMissFlag) {
  TestGame t;
  t.game.ViewX = 10;
  t.game.ViewY = 7;
  PlaceEnemy(t.game, 4, 1, 320 + 100, 224 + 50);
  const int32_t cases[][3] = {{100 - 11, 50, 1}, {100 - 12, 50, 0}, {100 + 9, 50, 1},
                              {100 + 10, 50, 0}, {100, 50 + 11, 1}, {100, 50 + 12, 0},
                              {100, 50 - 7, 1},  {100, 50 - 8, 0}};
  for (const auto& c : cases) {
    t.game.GameFlags[kMiss] = kFalse;
    t.game.PlayerX = c[0];
    t.game.PlayerY = c[1];
    CheckEnemyContact(t.game);
    EXPECT_EQ(t.game.GameFlags[kMiss], c[2] ? kTrue : kFalse) << c[0] << "," << c[1];
  }
  // Contact never clears the flag; an inactive slot touches nobody.
  t.game.GameFlags[kMiss] = kTrue;
  t.game.EnemyTable[4].Active = kFalse;
  CheckEnemyContact(t.game);
  EXPECT_EQ(t.game.GameFlags[kMiss], kTrue);
}

TEST(MoveEnemies, FrameSkipAndAnimationRunOnActingTicksOnly) {
  TestGame t;
  FillMap(t.game, 16);                 // boxed in: nobody can move
  PlaceEnemy(t.game, 0, 1, 320, 320);  // skip 2
  PlaceEnemy(t.game, 1, 4, 640, 320);  // skip 1
  PlaceEnemy(t.game, 2, 5, 320, 640);  // skip 0
  std::vector<int32_t> a, b, c;
  for (int frame = 0; frame < 6; ++frame) {
    MoveEnemies(t.game);
    a.push_back(t.game.EnemyTable[0].AnimFrame);
    b.push_back(t.game.EnemyTable[1].AnimFrame);
    c.push_back(t.game.EnemyTable[2].AnimFrame);
  }
  EXPECT_EQ(a, (std::vector<int32_t>{0, 0, 1, 1, 1, 2}));  // first acts on the third frame
  EXPECT_EQ(b, (std::vector<int32_t>{0, 1, 1, 2, 2, 3}));
  EXPECT_EQ(c, (std::vector<int32_t>{1, 2, 3, 0, 1, 2}));
  EXPECT_EQ(t.game.EnemyTable[0].X, 320);
}

TEST(MoveEnemies, UnknownKindsNeverActButStillBlockAndTouch) {
  TestGame t;
  FillMap(t.game, kFloor);
  PlaceEnemy(t.game, 0, 0, 320, 320);
  PlaceEnemy(t.game, 1, 12, 640, 320);
  for (int i = 0; i < 5; ++i) MoveEnemies(t.game);
  EXPECT_EQ(t.game.EnemyTable[0].AnimFrame, 0);
  EXPECT_EQ(t.game.EnemyTable[1].AnimFrame, 0);
  EXPECT_TRUE(EnemyAt(t.game, 5, 640, 320));
  t.game.PlayerX = 320;
  t.game.PlayerY = 320;
  CheckEnemyContact(t.game);
  EXPECT_EQ(t.game.GameFlags[kMiss], kTrue);
}

}  // namespace
}  // namespace kolvar
