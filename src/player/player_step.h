// The player's step of every play frame: read the arrow keys, turn, move 4
// pixels when both cells ahead of the feet are floor, and start the key or
// exit sequence when the feet come up against the chest or the door.
#pragma once

#include "core/game.h"
#include "core/player_geometry.h"

namespace kolvar {

// The two cells that the player's feet would enter with a step in `facing`
// (a Direction) from the current position.
ProbePair PlayerProbes(const Game& game, int32_t facing);

// One frame of the player; returns the move code.
int32_t StepPlayer(Game& game);

}  // namespace kolvar
