// The player's walkable positions on a stage, for bots: which steps the foot
// box allows (the same probe cells as the player step, in map pixels), and
// how many 4-pixel steps separate any position from the key chest or the
// exit door.
#pragma once

#include <cstdint>
#include <vector>

#include "core/game.h"

namespace kolvar::bots {

inline constexpr int kDx[4] = {0, 4, 0, -4};
inline constexpr int kDy[4] = {-4, 0, 4, 0};
inline constexpr Key kArrowOf[4] = {Key::Up, Key::Right, Key::Down, Key::Left};

// The two cells the player's feet would enter stepping from map position
// (x, y) in direction d (0 up, 1 right, 2 down, 3 left).
struct ProbeCells {
  int c1, r1, c2, r2;
};
ProbeCells ProbesAt(int32_t x, int32_t y, int d);
bool CanStep(const CellGrid& map, int32_t x, int32_t y, int d);
bool ProbeTouches(const CellGrid& map, int32_t x, int32_t y, int d, uint8_t code);

inline constexpr int32_t kUnreachable = 1 << 29;

// Steps of 4 pixels from every player position (map pixels, multiples of 4)
// to the nearest position where pressing an arrow touches a cell of `code`.
class StepField {
 public:
  StepField() = default;
  StepField(const CellGrid& map, uint8_t code);
  int32_t At(int32_t x, int32_t y) const;
  // The least value over the positions that touch `code` from `other`:
  // used to chain the chest and the door.
  int32_t MinWhereTouching(const CellGrid& map, uint8_t other) const;

 private:
  static constexpr int kSide = 256;
  std::vector<int32_t> steps_;
};

// True when the 24 x 32 sprites of the player at (px, py) and an enemy at
// (x, y) overlap: the player is walking through the enemy's picture.
inline bool SpritesOverlap(int32_t px, int32_t py, int32_t x, int32_t y) {
  const int32_t dx = px - x, dy = py - y;
  return dx > -24 && dx < 24 && dy > -32 && dy < 32;
}

}  // namespace kolvar::bots
