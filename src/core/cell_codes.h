// What the two grids of a stage hold, shared by the game that plays them and
// by stagec that writes them: the size of the map, the tile codes with a rule
// of play, and the enemy kinds of the placement grid. It includes nothing of
// the game, so the stage compiler can use it on its own.
#pragma once

#include <cstdint>

namespace kolvar {

// The map is kMapCells x kMapCells cells.
inline constexpr int kMapCells = 32;

// Tile codes with a role in play; every other code is a wall that differs
// from the rest only in its picture.
inline constexpr uint8_t kDarkness = 0;  // outside the maze, a wall
inline constexpr uint8_t kFloor = 1;
inline constexpr uint8_t kKeyChest = 2;   // its opening pictures follow it, 3 to 5
inline constexpr uint8_t kExitDoor = 18;  // its opening pictures follow it, 19 to 21
// The door fully open: the one the player walks in by, which closes behind
// him (21 down to 18) before it turns to floor.
inline constexpr uint8_t kStartDoor = 21;

// The placement grid holds kNoEnemy or an enemy kind 1..kEnemyKindCount,
// which a stage text writes as one digit. The kinds are named as their
// pictures are on the character sheet (assets/art/layout.txt), whose column
// of each kind is its number (column 0 is the player's).
enum EnemyKindCode : int32_t {
  kNoEnemy = 0,
  kSlime = 1,
  kBat = 2,
  kGhost = 3,
  kSkeleton = 4,
  kSpider = 5,
  kWraith = 6,  // walks through walls
  kImp = 7,
  kKnight = 8,
  kDemon = 9,
};
inline constexpr int kEnemyKindCount = kDemon;
static_assert(kEnemyKindCount <= 9, "a kind is written as a single digit");

// The enemy table's size: the game places at most this many enemies.
inline constexpr int kEnemySlots = 11;

// The view shows kViewColumns x kViewRows cells and scrolls a whole view at
// a time. A stage whose start door stands in row kLowerViewTop or below opens
// with the view's top at that row, else at row 0.
inline constexpr int kViewColumns = 10;
inline constexpr int kViewRows = 7;
inline constexpr int kLowerViewTop = 6;

}  // namespace kolvar
