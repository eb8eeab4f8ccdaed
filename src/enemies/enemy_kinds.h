// The enemy kinds (core/cell_codes.h names them): each is one row of settings for the same movement
// machine of a chase step (toward a player inside a square window) and a
// wander step (the way WanderDir points).
#pragma once

#include "core/game.h"

namespace kolvar {

enum class EnemyMode {
  kChaseOnly,        // chase, otherwise stand
  kChaseElseWander,  // chase; when no chase step was made, wander
  kPeriodicReaim,    // wander, looking for the player on one acting tick in 16
  kPersistentChase,  // chase every tick; a blocked chase means 16 ticks of wandering
};

struct EnemyKind {
  EnemyKindCode kind = kNoEnemy;  // the kind whose settings these are
  int32_t frame_skip = 0;         // frames waited between acting ticks: 2, 1 or 0
  int32_t chase_window = 0;       // half-width of the square in which the player is chased
  int32_t wander_limit = 0;       // acting ticks a wander direction lasts; 0 = never wanders
  EnemyMode mode = EnemyMode::kChaseOnly;
  bool walks_through_walls = false;
};

// Settings of kind 1..kEnemyKindCount (an EnemyKindCode).
const EnemyKind& KindOf(int32_t kind);

// The kind's decision for slot `self` on one of its acting ticks.
void RunEnemyDecision(Game& game, int self);

}  // namespace kolvar
