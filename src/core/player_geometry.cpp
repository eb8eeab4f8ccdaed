#include "core/player_geometry.h"

#include "core/game.h"

namespace kolvar {

namespace {

// A scroll starts once the player, moving, stands past one of these view
// positions.
constexpr int32_t kScrollRightPast = 296;
constexpr int32_t kScrollLeftPast = -16;
constexpr int32_t kScrollDownPast = 192;
constexpr int32_t kScrollUpPast = -16;

// A push moves the view a whole view: kViewColumns or kViewRows frames.
constexpr ScrollCase kScrollRight = {"right", 1, 0, kViewColumns, kWalkStepPixels, 0, 6};
constexpr ScrollCase kScrollLeft = {"left", -1, 0, kViewColumns, -kWalkStepPixels, 0, 4};
constexpr ScrollCase kScrollDown = {"down", 0, 1, kViewRows, 0, kWalkStepPixels, 6};
constexpr ScrollCase kScrollUp = {"up", 0, -1, kViewRows, 0, -kWalkStepPixels, 6};

}  // namespace

// The probes mix flooring (FloorCell) with the truncating division of `/` on
// purpose: the two differ only while the player stands partly left of or
// above the view, and the walls the player can reach there depend on
// exactly this mix.
ProbePair ProbeCells(int32_t x, int32_t y, int32_t vx, int32_t vy, int32_t facing) {
  switch (facing) {
    case kUp: {
      const int32_t row = vy + FloorCell(y + 12);
      return {{vx + (x + 4) / 32, row}, {vx + (x + 24) / 32, row}};
    }
    case kRight: {
      const int32_t column = vx + (x - 4) / 32 + 1;
      return {{column, vy + (y + 16) / 32}, {column, vy + (y + 28) / 32}};
    }
    case kDown: {
      const int32_t row = vy + FloorCell(y) + 1;
      return {{vx + (x + 4) / 32, row}, {vx + (x + 24) / 32, row}};
    }
    default: {
      const int32_t column = vx + FloorCell(x);
      return {{column, vy + (y + 16) / 32}, {column, vy + (y + 28) / 32}};
    }
  }
}

const ScrollCase* ScrollFor(int32_t move_code, int32_t x, int32_t y) {
  if (move_code == MoveCode(kRight) && x > kScrollRightPast) return &kScrollRight;
  if (move_code == MoveCode(kLeft) && x < kScrollLeftPast) return &kScrollLeft;
  if (move_code == MoveCode(kDown) && y > kScrollDownPast) return &kScrollDown;
  if (move_code == MoveCode(kUp) && y < kScrollUpPast) return &kScrollUp;
  return nullptr;
}

}  // namespace kolvar
