#include "support/invariants.h"

#include "scene/map_layer.h"

namespace kolvar::testing {

namespace {

bool IsBool(int16_t value) {
  return value == kTrue || value == kFalse;
}

// A 32 x 32 box at map pixels (x, y) that still overlaps the 32 x 32 cells.
bool OnMap(int32_t x, int32_t y) {
  constexpr int32_t kSide = kMapCells * kCellPixels;
  return x > -kCellPixels && x < kSide && y > -kCellPixels && y < kSide;
}

}  // namespace

std::string CheckPlayInvariants(const Game& g) {
  auto out = [](const char* what, int64_t value) {
    return std::string(what) + " out of range: " + std::to_string(value);
  };
  if (g.Lives < 0 || g.Lives > 3) return out("Lives", g.Lives);
  if (g.Score < 0) return out("Score", g.Score);
  if (g.HiScore < g.Score) return out("HiScore below Score", g.HiScore);
  if (g.TimeLeft < 0 || g.TimeLeft > 200) return out("TimeLeft", g.TimeLeft);
  if (g.StageNumber < 1 || g.StageNumber > 16) return out("StageNumber", g.StageNumber);
  for (int16_t flag : g.GameFlags) {
    if (!IsBool(flag)) return out("GameFlags entry", flag);
  }
  if (g.PlayerDir < 0 || g.PlayerDir > 3) return out("PlayerDir", g.PlayerDir);
  // The view shows part of the map (past an edge the drawing wraps).
  if (g.ViewX <= -kViewColumns || g.ViewX >= kMapCells) return out("ViewX", g.ViewX);
  if (g.ViewY <= -kViewRows || g.ViewY >= kMapCells) return out("ViewY", g.ViewY);
  const int32_t px = PlayerMapX(g);
  const int32_t py = PlayerMapY(g);
  if (!OnMap(px, py)) return out("player map x", px) + ", y " + std::to_string(py);
  if (px % 4 != 0 || py % 4 != 0) return out("player off the 4-pixel grid at x", px);
  int active = 0;
  for (const EnemySlot& e : g.EnemyTable) {
    if (!IsBool(e.Active)) return out("enemy Active", e.Active);
    if (e.Active != kTrue) continue;
    ++active;
    if (e.Kind < 1 || e.Kind > kEnemyKindCount) return out("enemy Kind", e.Kind);
    if (!OnMap(e.X, e.Y)) return out("enemy x", e.X) + ", y " + std::to_string(e.Y);
    if (e.Facing < 0 || e.Facing > 3) return out("enemy Facing", e.Facing);
    if (e.AnimFrame < 0 || e.AnimFrame > 3) return out("enemy AnimFrame", e.AnimFrame);
  }
  if (active > kEnemySlots) return out("active enemies", active);
  return {};
}

}  // namespace kolvar::testing
