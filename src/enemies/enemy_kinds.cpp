#include "enemies/enemy_kinds.h"

#include <array>

#include "enemies/enemy_step.h"

namespace kolvar {

namespace {

constexpr std::array<EnemyKind, kEnemyKindCount + 1> kKinds = {{
    {0, 0, 0, EnemyMode::kChaseOnly, false},          // (no kind 0)
    {2, 96, 0, EnemyMode::kChaseOnly, false},         // 1
    {2, 96, 20, EnemyMode::kChaseElseWander, false},  // 2
    {1, 96, 20, EnemyMode::kPeriodicReaim, false},    // 3
    {1, 96, 10, EnemyMode::kChaseElseWander, false},  // 4
    {0, 64, 10, EnemyMode::kChaseElseWander, false},  // 5
    {2, 96, 10, EnemyMode::kChaseElseWander, true},   // 6
    {0, 96, 10, EnemyMode::kPeriodicReaim, false},    // 7
    {1, 96, 20, EnemyMode::kPersistentChase, false},  // 8
    {0, 64, 20, EnemyMode::kPersistentChase, false},  // 9
}};

constexpr int32_t kReaimPeriod = 15;
constexpr int32_t kChaseBackOff = -15;
constexpr int32_t kForceRedraw = 20;

// The step of the wall-walking kind: it ignores the map and keeps inside the
// bounds of the area the radar shows.
bool TryFreeStep(Game& g, int self, int32_t d) {
  EnemySlot& e = g.EnemyTable[static_cast<size_t>(self)];
  int32_t x = e.X, y = e.Y;
  switch (d) {
    case 3:
      if (e.X < 32) return false;
      x -= 4;
      break;
    case 1:
      if (e.X > 832) return false;
      x += 4;
      break;
    case 0:
      if (e.Y < 32) return false;
      y -= 4;
      break;
    case 2:
      if (e.Y > 384) return false;
      y += 4;
      break;
    default:
      return false;
  }
  if (EnemyAt(g, self, x, y)) return false;
  e.X = x;
  e.Y = y;
  return true;
}

bool TryStep(Game& g, int self, const EnemyKind& kind, int32_t d) {
  return kind.walks_through_walls ? TryFreeStep(g, self, d) : TryEnemyStep(g, self, d);
}

// Tries each wanted direction toward the player in the order left, right,
// up, down; returns whether a step was made.
bool ChaseStep(Game& g, int self, const EnemyKind& kind) {
  EnemySlot& e = g.EnemyTable[static_cast<size_t>(self)];
  const int32_t dx = PlayerMapX(g) - e.X;
  const int32_t dy = PlayerMapY(g) - e.Y;
  const int32_t w = kind.chase_window;
  const bool dx_near = -w < dx && dx < w;
  const bool dy_near = -w < dy && dy < w;
  const bool wants[4] = {
      dx_near && -w < dy && dy < 0,  // up
      dy_near && 0 < dx && dx < w,   // right
      dx_near && 0 < dy && dy < w,   // down
      dy_near && -w < dx && dx < 0,  // left
  };
  const bool aims =
      kind.mode == EnemyMode::kPeriodicReaim || kind.mode == EnemyMode::kPersistentChase;
  for (int32_t d : {3, 1, 0, 2}) {
    if (!wants[d]) continue;
    e.Facing = d;
    if (aims) e.WanderDir = d;
    if (TryStep(g, self, kind, d)) return true;
    if (kind.mode == EnemyMode::kPersistentChase) e.ChaseGate = kChaseBackOff;
  }
  return false;
}

void WanderStep(Game& g, int self, const EnemyKind& kind) {
  EnemySlot& e = g.EnemyTable[static_cast<size_t>(self)];
  e.Facing = e.WanderDir;
  if (!TryStep(g, self, kind, e.WanderDir)) e.WanderTime = kForceRedraw;
}

}  // namespace

const EnemyKind& KindOf(int32_t kind) {
  return kKinds[static_cast<size_t>(kind)];
}

void RunEnemyDecision(Game& g, int self) {
  EnemySlot& e = g.EnemyTable[static_cast<size_t>(self)];
  const EnemyKind& kind = KindOf(e.Kind);
  switch (kind.mode) {
    case EnemyMode::kChaseOnly:
      ChaseStep(g, self, kind);
      break;
    case EnemyMode::kChaseElseWander:
      if (!ChaseStep(g, self, kind)) WanderStep(g, self, kind);
      break;
    case EnemyMode::kPeriodicReaim:
      if (e.ChaseGate < kReaimPeriod) {
        ++e.ChaseGate;
        WanderStep(g, self, kind);
      } else {
        e.ChaseGate = 0;
        if (!ChaseStep(g, self, kind)) WanderStep(g, self, kind);
      }
      break;
    case EnemyMode::kPersistentChase:
      if (e.ChaseGate < 1) {
        ++e.ChaseGate;
        WanderStep(g, self, kind);
      } else {
        e.ChaseGate = 1;
        if (!ChaseStep(g, self, kind)) WanderStep(g, self, kind);
      }
      break;
  }
}

}  // namespace kolvar
