// The four directions of play. The player's and the enemies' facing, an
// enemy's wander direction and the rows of the character sheet all number
// them alike: up, right, down, left, a quarter turn clockwise each. The
// fields that hold a direction stay int32_t (traces print the numbers, and
// the miss spin and the wander draw count through them).
#pragma once

#include <cstdint>

namespace kolvar {

enum Direction : int32_t { kUp = 0, kRight = 1, kDown = 2, kLeft = 3 };
inline constexpr int32_t kDirectionCount = 4;

// The next direction a quarter turn clockwise, left turning to up.
constexpr int32_t TurnClockwise(int32_t direction) {
  return direction + 1 >= kDirectionCount ? 0 : direction + 1;
}

}  // namespace kolvar
