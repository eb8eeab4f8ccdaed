#include "enemies/enemy_kinds.h"

#include <array>

#include "enemies/enemy_step.h"

namespace kolvar {

namespace {

// One row per kind, in the order of their codes. The table's columns are
// EnemyKind's fields.
// clang-format off
constexpr std::array<EnemyKind, kEnemyKindCount + 1> kKinds = {{
    // kind     frame  chase   wander  mode                          walks through
    //          skip   window  limit                                 walls
    {kNoEnemy,  0,     0,      0,      EnemyMode::kChaseOnly,        false},  // never moves
    {kSlime,    2,     96,     0,      EnemyMode::kChaseOnly,        false},
    {kBat,      2,     96,     20,     EnemyMode::kChaseElseWander,  false},
    {kGhost,    1,     96,     20,     EnemyMode::kPeriodicReaim,    false},
    {kSkeleton, 1,     96,     10,     EnemyMode::kChaseElseWander,  false},
    {kSpider,   0,     64,     10,     EnemyMode::kChaseElseWander,  false},
    {kWraith,   2,     96,     10,     EnemyMode::kChaseElseWander,  true},
    {kImp,      0,     96,     10,     EnemyMode::kPeriodicReaim,    false},
    {kKnight,   1,     96,     20,     EnemyMode::kPersistentChase,  false},
    {kDemon,    0,     64,     20,     EnemyMode::kPersistentChase,  false},
}};
// clang-format on

constexpr bool EachRowAtItsKind() {
  for (size_t i = 0; i < kKinds.size(); ++i) {
    if (kKinds[i].kind != static_cast<int32_t>(i)) return false;
  }
  return true;
}
static_assert(EachRowAtItsKind(), "kKinds is looked up by kind: row k holds kind k");

constexpr int32_t kReaimPeriod = 15;
constexpr int32_t kChaseBackOff = -15;
constexpr int32_t kForceRedraw = 20;

// The step of the wall-walking kind: it ignores the map and keeps inside the
// bounds of the area the radar shows. It steps no further left or up once
// its X or Y is below kFreeLeft or kFreeTop, no further right or down once
// past kFreeRight or kFreeBottom (map pixels).
constexpr int32_t kFreeLeft = 32, kFreeRight = 832, kFreeTop = 32, kFreeBottom = 384;

bool TryFreeStep(Game& g, int self, int32_t d) {
  EnemySlot& e = g.EnemyTable[static_cast<size_t>(self)];
  int32_t x = e.X, y = e.Y;
  switch (d) {
    case kLeft:
      if (e.X < kFreeLeft) return false;
      x -= kEnemyStep;
      break;
    case kRight:
      if (e.X > kFreeRight) return false;
      x += kEnemyStep;
      break;
    case kUp:
      if (e.Y < kFreeTop) return false;
      y -= kEnemyStep;
      break;
    case kDown:
      if (e.Y > kFreeBottom) return false;
      y += kEnemyStep;
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
  bool wants[kDirectionCount];
  wants[kUp] = dx_near && -w < dy && dy < 0;
  wants[kRight] = dy_near && 0 < dx && dx < w;
  wants[kDown] = dx_near && 0 < dy && dy < w;
  wants[kLeft] = dy_near && -w < dx && dx < 0;
  const bool aims =
      kind.mode == EnemyMode::kPeriodicReaim || kind.mode == EnemyMode::kPersistentChase;
  for (int32_t d : {kLeft, kRight, kUp, kDown}) {
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
