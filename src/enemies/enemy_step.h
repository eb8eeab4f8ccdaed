// The enemies' share of a frame: every active slot, in slot order, gets one
// chance to act by its kind; then the player is tested against all of them.
#pragma once

#include "core/game.h"

namespace kolvar {

// True when a point (map pixels) lies inside the blocking box of an active
// enemy other than `self`: X - 12 < px < X + 10 and Y - 8 < py < Y + 12.
bool InBlockingBox(const EnemySlot& enemy, int32_t px, int32_t py);
bool EnemyAt(const Game& game, int self, int32_t cx, int32_t cy);

// How far an enemy moves in one step, in pixels.
inline constexpr int32_t kEnemyStep = 4;

// A kEnemyStep step of slot `self` in Direction d, made only when both cells
// ahead of its feet are floor and no other enemy blocks the new position.
// Returns whether it moved.
bool TryEnemyStep(Game& game, int self, int32_t d);

// One tick for every active enemy.
void MoveEnemies(Game& game);

// Raises the miss flag when the player's position lies inside an enemy's
// blocking box.
void CheckEnemyContact(Game& game);

}  // namespace kolvar
