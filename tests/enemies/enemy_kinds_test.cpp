#include "enemies/enemy_kinds.h"

#include <gtest/gtest.h>

#include <cmath>

#include "enemies/enemy_step.h"
#include "support/test_game.h"

namespace kolvar {
namespace {

using testing::FillMap;
using testing::PlaceEnemy;
using testing::SetCells;
using testing::TestGame;

constexpr uint8_t kWall = 16;

struct KindTest : ::testing::Test {
  // The player's map position (the view stays at the map's corner).
  void PlayerAt(int32_t x, int32_t y) {
    t.game.PlayerX = x;
    t.game.PlayerY = y;
  }
  EnemySlot& Enemy() { return t.game.EnemyTable[0]; }
  // Runs frames until slot 0 has had `ticks` acting ticks.
  void ActingTicks(int ticks) {
    const int32_t skip = KindOf(Enemy().Kind).frame_skip;
    for (int i = 0; i < ticks * (skip + 1); ++i) MoveEnemies(t.game);
  }
  TestGame t;
};

TEST_F(KindTest, ChaseOnlyStandsWhenThePlayerIsOutOfReach) {
  FillMap(t.game, kFloor);
  EnemySlot& e = PlaceEnemy(t.game, 0, 1, 320, 320);
  e.Facing = 3;
  PlayerAt(320 + 96, 320);
  ActingTicks(4);
  EXPECT_EQ(e.X, 320);
  EXPECT_EQ(e.Facing, 3);
  EXPECT_EQ(e.AnimFrame, 0);  // four acting ticks: the cycle went round once
  PlayerAt(320 - 95, 320 + 95);
  ActingTicks(1);
  EXPECT_EQ(e.X, 316);
}

TEST_F(KindTest, ChaseOnlyTurnsTowardAPlayerBehindAWall) {
  FillMap(t.game, kFloor);
  SetCells(t.game, 11, 0, 11, 31, kWall);
  EnemySlot& e = PlaceEnemy(t.game, 0, 1, 324, 320);  // X + 28 would reach column 11
  PlayerAt(374, 320);
  ActingTicks(1);
  EXPECT_EQ(e.X, 324);
  EXPECT_EQ(e.Y, 320);
  EXPECT_EQ(e.Facing, 1);
}

TEST_F(KindTest, ChaseTriesLeftRightUpDownAndFacingEndsAtTheLastAttempt) {
  // Type 2: wall on its left, floor below: faces left, fails, steps down.
  FillMap(t.game, kFloor);
  SetCells(t.game, 9, 0, 9, 31, kWall);
  EnemySlot& e = PlaceEnemy(t.game, 0, 2, 316, 320);
  PlayerAt(316 - 40, 320 + 60);
  ActingTicks(1);
  EXPECT_EQ(e.X, 316);
  EXPECT_EQ(e.Y, 324);
  EXPECT_EQ(e.Facing, 2);
  // Both wants blocked: the wander step runs and Facing is its direction.
  SetCells(t.game, 0, 11, 31, 11, kWall);
  PlaceEnemy(t.game, 0, 2, 316, 320).WanderDir = 1;
  ActingTicks(1);
  EXPECT_EQ(e.X, 320);
  EXPECT_EQ(e.Facing, 1);
}

TEST_F(KindTest, ChaseWindowIsOpenSoTheSmallWindowKindIgnoresTheEdge) {
  FillMap(t.game, kFloor);
  EnemySlot& fast = PlaceEnemy(t.game, 0, 5, 320, 320);
  fast.WanderDir = 0;
  PlayerAt(320 + 64, 320);
  ActingTicks(1);
  EXPECT_EQ(fast.X, 320);  // dx = 64 is outside a window of 64: wanders up
  EXPECT_EQ(fast.Y, 316);

  EnemySlot& medium = PlaceEnemy(t.game, 0, 4, 320, 320);
  medium.WanderDir = 0;
  ActingTicks(1);
  EXPECT_EQ(medium.X, 324);
  EXPECT_EQ(medium.Y, 320);
}

TEST_F(KindTest, PeriodicReaimLooksOnTheSixteenthActingTick) {
  FillMap(t.game, kFloor);
  EnemySlot& e = PlaceEnemy(t.game, 0, 3, 320, 320);
  e.WanderDir = 2;
  PlayerAt(320 - 48, 320);
  ActingTicks(15);
  EXPECT_EQ(e.X, 320);  // fifteen wander steps down, no look
  EXPECT_EQ(e.Y, 320 + 60);
  EXPECT_EQ(e.ChaseGate, 15);
  ActingTicks(1);  // the look: toward the player, and WanderDir follows
  EXPECT_EQ(e.X, 316);
  EXPECT_EQ(e.Y, 380);
  EXPECT_EQ(e.WanderDir, 3);
  EXPECT_EQ(e.ChaseGate, 0);
  ActingTicks(1);  // keeps walking the way it aimed
  EXPECT_EQ(e.X, 312);
  EXPECT_EQ(e.Facing, 3);
}

TEST_F(KindTest, PersistentChaseBacksOffForSixteenTicksAfterABlockedAttempt) {
  FillMap(t.game, kFloor);
  SetCells(t.game, 9, 0, 9, 31, kWall);
  EnemySlot& e = PlaceEnemy(t.game, 0, 8, 316, 320);
  e.ChaseGate = 1;
  PlayerAt(316 - 40, 320 - 40);
  ActingTicks(1);  // left blocked, up made
  EXPECT_EQ(e.Y, 316);
  EXPECT_EQ(e.X, 316);
  EXPECT_EQ(e.ChaseGate, -15);
  EXPECT_EQ(e.WanderDir, 0);
  std::vector<int32_t> gates;
  for (int i = 0; i < 16; ++i) {
    ActingTicks(1);
    gates.push_back(e.ChaseGate);
    EXPECT_EQ(e.Facing, e.WanderDir);  // wandering only
  }
  EXPECT_EQ(gates.front(), -14);
  EXPECT_EQ(gates.back(), 1);

  // From a gate of 0 it wanders once and chases from the second tick.
  FillMap(t.game, kFloor);
  EnemySlot& f = PlaceEnemy(t.game, 0, 9, 320, 320);
  f.WanderDir = 2;
  PlayerAt(320 + 40, 320);
  ActingTicks(1);
  EXPECT_EQ(f.Y, 324);
  ActingTicks(1);
  EXPECT_EQ(f.X, 324);
  EXPECT_EQ(f.ChaseGate, 1);
}

TEST_F(KindTest, BlockedWanderRedrawsOnTheNextActingTickForEitherLimit) {
  for (int32_t kind : {2, 4}) {
    TestGame fresh;
    FillMap(fresh.game, kWall);
    EnemySlot& e = PlaceEnemy(fresh.game, 0, kind, 320, 320);
    e.WanderTime = 3;
    e.WanderDir = 1;
    const int32_t skip = KindOf(kind).frame_skip;
    for (int i = 0; i <= skip; ++i) MoveEnemies(fresh.game);
    EXPECT_EQ(e.WanderTime, 20) << kind;
    RandomSource expected;
    for (int i = 0; i <= skip; ++i) MoveEnemies(fresh.game);
    EXPECT_EQ(e.WanderDir, static_cast<int32_t>(std::floor(4 * expected.Next()))) << kind;
    // The redraw zeroed the timer, then the blocked step forced it again.
    EXPECT_EQ(e.WanderTime, 20) << kind;
  }
}

TEST_F(KindTest, WanderDirectionHoldsForLimitPlusOneTicks) {
  FillMap(t.game, kFloor);
  EnemySlot& e = PlaceEnemy(t.game, 0, 7, 320, 320);  // limit 10, acts every frame
  e.WanderDir = 1;
  ActingTicks(10);
  EXPECT_EQ(e.WanderTime, 10);
  EXPECT_EQ(e.X, 360);
  RandomSource expected;
  ActingTicks(1);
  EXPECT_EQ(e.WanderTime, 0);
  EXPECT_EQ(e.WanderDir, static_cast<int32_t>(std::floor(4 * expected.Next())));
}

TEST_F(KindTest, WallWalkerIgnoresTheMapButKeepsToItsBounds) {
  FillMap(t.game, kWall);
  EnemySlot& e = PlaceEnemy(t.game, 0, 6, 320, 320);
  PlayerAt(320 - 40, 320);
  ActingTicks(1);
  EXPECT_EQ(e.X, 316);  // through the wall
  struct Bound {
    int32_t x, y, d;
    bool moves;
  } bounds[] = {{28, 200, 3, false}, {32, 200, 3, true}, {836, 200, 1, false}, {832, 200, 1, true},
                {200, 28, 0, false}, {200, 32, 0, true}, {200, 388, 2, false}, {200, 384, 2, true}};
  for (const Bound& b : bounds) {
    EnemySlot& w = PlaceEnemy(t.game, 0, 6, b.x, b.y);
    w.WanderDir = b.d;
    PlayerAt(1000, 1000);  // out of reach: wander only
    w.WanderTime = 0;
    ActingTicks(1);
    EXPECT_EQ(w.X != b.x || w.Y != b.y, b.moves) << b.x << "," << b.y << " dir " << b.d;
  }
}

}  // namespace
}  // namespace kolvar
