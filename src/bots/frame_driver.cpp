#include "bots/frame_driver.h"

#include <algorithm>

#include "bots/navigation.h"
#include "flow/play_loop.h"

namespace kolvar::bots {

namespace {

bool OverlapsAny(const std::array<EnemySlot, kEnemySlots>& enemies, int32_t px, int32_t py) {
  for (const EnemySlot& e : enemies) {
    if (e.Active == kTrue && SpritesOverlap(px, py, e.X, e.Y)) return true;
  }
  return false;
}

}  // namespace

FrameOutcome PlayOneFrame(Game& g, int32_t& move_code, bool forbid_tricks) {
  const int32_t vx = g.ViewX, vy = g.ViewY;
  const int32_t px = PlayerMapX(g), py = PlayerMapY(g);
  std::array<EnemySlot, kEnemySlots> before{};
  if (forbid_tricks) before = g.EnemyTable;

  move_code = PlayFrame(g, move_code);

  if (g.GameFlags[kMiss] == kTrue) return FrameOutcome::kMiss;
  if (forbid_tricks) {
    const int32_t nx = PlayerMapX(g), ny = PlayerMapY(g);
    if (OverlapsAny(g.EnemyTable, nx, ny)) return FrameOutcome::kTrick;
    if (g.ViewX != vx || g.ViewY != vy) {
      // The scroll moved the player without any contact test: every
      // position it passed must keep clear of the enemies, which stood still.
      for (int32_t x = std::min(px, nx); x <= std::max(px, nx); x += 4) {
        for (int32_t y = std::min(py, ny); y <= std::max(py, ny); y += 4) {
          if (OverlapsAny(before, x, y)) return FrameOutcome::kTrick;
        }
      }
    }
  }
  if (g.GameFlags[kStageCleared] == kTrue) return FrameOutcome::kCleared;
  EndFrame(g);
  return FrameOutcome::kGoOn;
}

}  // namespace kolvar::bots
