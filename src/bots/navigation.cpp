#include "bots/navigation.h"

#include <algorithm>
#include <deque>

namespace kolvar::bots {

ProbeCells ProbesAt(int32_t x, int32_t y, int d) {
  switch (d) {
    case 0: {
      const int r = FloorCell(y + 12);
      return {(x + 4) / 32, r, (x + 24) / 32, r};
    }
    case 1: {
      const int c = (x - 4) / 32 + 1;
      return {c, (y + 16) / 32, c, (y + 28) / 32};
    }
    case 2: {
      const int r = FloorCell(y) + 1;
      return {(x + 4) / 32, r, (x + 24) / 32, r};
    }
    default: {
      const int c = FloorCell(x);
      return {c, (y + 16) / 32, c, (y + 28) / 32};
    }
  }
}

bool CanStep(const CellGrid& map, int32_t x, int32_t y, int d) {
  const ProbeCells p = ProbesAt(x, y, d);
  return map.Get(p.c1, p.r1) == kFloor && map.Get(p.c2, p.r2) == kFloor;
}

bool ProbeTouches(const CellGrid& map, int32_t x, int32_t y, int d, uint8_t code) {
  const ProbeCells p = ProbesAt(x, y, d);
  return map.Get(p.c1, p.r1) == code || map.Get(p.c2, p.r2) == code;
}

StepField::StepField(const CellGrid& map, uint8_t code) : steps_(kSide * kSide, kUnreachable) {
  std::deque<int> queue;
  for (int i = 0; i < kSide * kSide; ++i) {
    const int32_t x = (i % kSide) * 4, y = (i / kSide) * 4;
    for (int d = 0; d < 4; ++d) {
      if (ProbeTouches(map, x, y, d, code)) {
        steps_[static_cast<size_t>(i)] = 0;
        queue.push_back(i);
        break;
      }
    }
  }
  while (!queue.empty()) {
    const int i = queue.front();
    queue.pop_front();
    const int32_t x = (i % kSide) * 4, y = (i / kSide) * 4;
    for (int d = 0; d < 4; ++d) {
      // A position q from which a step in d lands here.
      const int32_t qx = x - kDx[d], qy = y - kDy[d];
      if (qx < 0 || qy < 0 || qx >= kSide * 4 || qy >= kSide * 4) continue;
      const int q = (qy / 4) * kSide + qx / 4;
      if (steps_[static_cast<size_t>(q)] != kUnreachable || !CanStep(map, qx, qy, d)) continue;
      steps_[static_cast<size_t>(q)] = steps_[static_cast<size_t>(i)] + 1;
      queue.push_back(q);
    }
  }
}

int32_t StepField::At(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= kSide * 4 || y >= kSide * 4 || steps_.empty()) return kUnreachable;
  return steps_[static_cast<size_t>((y / 4) * kSide + x / 4)];
}

int32_t StepField::MinWhereTouching(const CellGrid& map, uint8_t other) const {
  int32_t best = kUnreachable;
  for (int i = 0; i < kSide * kSide; ++i) {
    const int32_t x = (i % kSide) * 4, y = (i / kSide) * 4;
    for (int d = 0; d < 4; ++d) {
      if (ProbeTouches(map, x, y, d, other)) best = std::min(best, steps_[static_cast<size_t>(i)]);
    }
  }
  return best;
}

}  // namespace kolvar::bots
