// Where the player's feet test the map and where a scroll takes the view
// and the player: rules on positions alone, shared by the player's step, the
// screen scroll and the check of a stage file's map.
#pragma once

#include <cstdint>

#include "core/direction.h"

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
// (a Direction) from view position (x, y), the view's top-left cell being
// (view_x, view_y).
ProbePair ProbeCells(int32_t x, int32_t y, int32_t view_x, int32_t view_y, int32_t facing);

// The player's foot box, which the probes test walls with: view pixels
// x + 4 .. x + 24 across and y + 16 .. y + 28 down.
inline constexpr int32_t kFootLeft = 4, kFootRight = 24, kFootTop = 16, kFootBottom = 28;

// The distance of one step of a walk, in pixels.
inline constexpr int32_t kWalkStepPixels = 4;

// One kind of screen scroll: a push of the view, one cell a frame, with
// the player kept in its place on the map, then a walk into the new view
// that no wall stops.
struct ScrollCase {
  const char* name;
  int32_t view_dx, view_dy;  // view change per push frame, in cells
  int push_frames;
  int32_t walk_dx, walk_dy;  // player step per walk-in frame, in pixels
  int walk_frames;
};

// The scroll that a move (the previous frame's move code) starts with the
// player at view position (x, y): a step toward an edge that has taken the
// player past it. Null when the view stays.
const ScrollCase* ScrollFor(int32_t move_code, int32_t x, int32_t y);

}  // namespace kolvar
