#include "enemies/enemy_step.h"

#include <cmath>

#include "enemies/enemy_kinds.h"

namespace kolvar {

namespace {

bool IsFloor(const Game& g, int32_t column, int32_t row) {
  return g.TileMap.Get(column, row) == kFloor;
}

}  // namespace

bool InBlockingBox(const EnemySlot& e, int32_t px, int32_t py) {
  return e.X - 12 < px && px < e.X + 10 && e.Y - 8 < py && py < e.Y + 12;
}

bool EnemyAt(const Game& g, int self, int32_t cx, int32_t cy) {
  bool hit = false;
  for (int j = 0; j < kEnemySlots; ++j) {
    const EnemySlot& other = g.EnemyTable[static_cast<size_t>(j)];
    if (j != self && other.Active == kTrue && InBlockingBox(other, cx, cy)) hit = true;
  }
  return hit;
}

bool TryEnemyStep(Game& g, int self, int32_t d) {
  EnemySlot& e = g.EnemyTable[static_cast<size_t>(self)];
  int32_t x = e.X, y = e.Y;
  bool open = false;
  switch (d) {
    case kLeft: {  // the column of the foot box's new left edge
      const int32_t column = FloorCell(e.X);
      open = IsFloor(g, column, FloorCell(e.Y + 16)) && IsFloor(g, column, FloorCell(e.Y + 28));
      x -= kEnemyStep;
      break;
    }
    case kRight: {  // the column of the new right edge (X + 28)
      const int32_t column = (e.X - 4) / 32 + 1;
      open = IsFloor(g, column, FloorCell(e.Y + 16)) && IsFloor(g, column, FloorCell(e.Y + 28));
      x += kEnemyStep;
      break;
    }
    case kUp: {  // the row of the new top edge (Y + 12)
      const int32_t row = FloorCell(e.Y + 12);
      open = IsFloor(g, FloorCell(e.X + 4), row) && IsFloor(g, FloorCell(e.X + 24), row);
      y -= kEnemyStep;
      break;
    }
    case kDown: {  // the row of the new bottom edge (Y + 32)
      const int32_t row = FloorCell(e.Y) + 1;
      open = IsFloor(g, FloorCell(e.X + 4), row) && IsFloor(g, FloorCell(e.X + 24), row);
      y += kEnemyStep;
      break;
    }
    default:
      return false;
  }
  if (!open || EnemyAt(g, self, x, y)) return false;
  e.X = x;
  e.Y = y;
  return true;
}

void MoveEnemies(Game& g) {
  for (int i = 0; i < kEnemySlots; ++i) {
    EnemySlot& e = g.EnemyTable[static_cast<size_t>(i)];
    if (e.Active != kTrue || e.Kind < 1 || e.Kind > kEnemyKindCount) continue;
    const EnemyKind& kind = KindOf(e.Kind);

    if (kind.frame_skip > 0) {
      if (e.StepWait < kind.frame_skip) {
        ++e.StepWait;
        continue;
      }
      e.StepWait = 0;
    }

    e.AnimFrame = e.AnimFrame + 1 >= kWalkSteps ? 0 : e.AnimFrame + 1;

    if (kind.wander_limit > 0) {
      if (e.WanderTime < kind.wander_limit) {
        ++e.WanderTime;
      } else {
        e.WanderTime = 0;
        e.WanderDir = static_cast<int32_t>(std::floor(kDirectionCount * g.Random.Next()));
      }
    }

    RunEnemyDecision(g, i);
  }
}

void CheckEnemyContact(Game& g) {
  const int32_t px = PlayerMapX(g);
  const int32_t py = PlayerMapY(g);
  for (const EnemySlot& e : g.EnemyTable) {
    if (e.Active == kTrue && InBlockingBox(e, px, py)) g.GameFlags[kMiss] = kTrue;
  }
}

}  // namespace kolvar
