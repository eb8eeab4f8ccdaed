// The player's step of every play frame: read the arrow keys, turn, move 4
// pixels when both cells ahead of the feet are floor, and start the key or
// exit sequence when the feet come up against the chest or the door.
#pragma once

#include "core/game.h"

namespace kolvar {

// Move codes: the facing + 1, or 0 when no arrow key was pressed.
inline constexpr int32_t kNoMove = 0;
constexpr int32_t MoveCode(int32_t facing) {
  return facing + 1;
}

struct Cell {
  int32_t column;
  int32_t row;
};
struct ProbePair {
  Cell a;
  Cell b;
};

// The two cells that the player's feet would enter with a step in `facing`
// (a Direction) from the current position.
ProbePair PlayerProbes(const Game& game, int32_t facing);

// One frame of the player; returns the move code.
int32_t StepPlayer(Game& game);

}  // namespace kolvar
