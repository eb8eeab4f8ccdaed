#include "bots/casual_bot.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <deque>
#include <optional>
#include <vector>

#include "bots/frame_driver.h"
#include "bots/navigation.h"
#include "enemies/enemy_kinds.h"
#include "scene/radar.h"

namespace kolvar::bots {

namespace {

constexpr int kCellStep[4][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};

struct Plan {
  int dir = -1;    // -1: stand still
  int frames = 0;  // 0: the least hold
};

// Direction of the first step from every floor cell toward `goal` (-1 where
// no way leads); the goal cell itself is the chest or the door.
std::array<int, 1024> WaysTo(const CellGrid& map, int gc, int gr,
                             const std::array<bool, 1024>* blocked = nullptr) {
  std::array<int, 1024> toward{};
  toward.fill(-1);
  std::deque<std::pair<int, int>> queue;
  auto visit = [&](int c, int r, int from_dir) {
    if (!CellGrid::OnGrid(c, r) || map.Get(c, r) != kFloor) return;
    if (blocked && (*blocked)[static_cast<size_t>(r * 32 + c)]) return;
    int& slot = toward[static_cast<size_t>(r * 32 + c)];
    if (slot >= 0) return;
    slot = (from_dir + 2) % 4;
    queue.emplace_back(c, r);
  };
  for (int d = 0; d < 4; ++d) visit(gc + kCellStep[d][0], gr + kCellStep[d][1], d);
  while (!queue.empty()) {
    const auto [c, r] = queue.front();
    queue.pop_front();
    for (int d = 0; d < 4; ++d) visit(c + kCellStep[d][0], r + kCellStep[d][1], d);
  }
  return toward;
}

class CasualPlayer {
 public:
  explicit CasualPlayer(const PlayerModel& model) : model_(model) {}

  Plan Decide(const Game& g) {
    const bool has_key = g.GameFlags[kKeyHeld] == kTrue;
    const int gc = has_key ? g.ExitCellX : g.KeyCellX;
    const int gr = has_key ? g.ExitCellY : g.KeyCellY;
    if (has_key != had_key_ || ways_[0] == -2) {
      ways_ = WaysTo(g.TileMap, gc, gr);
      had_key_ = has_key;
    }
    const int32_t x = PlayerMapX(g), y = PlayerMapY(g);
    const int c = (x + 16) / 32, r = (y + 16) / 32;

    // Enemies on the screen and near enough to notice.
    const std::vector<Threat> threats = Threats(g, x, y);

    // Where the way goes from here; with enemies in sight, a way that keeps
    // a cell away from them when there is one.
    int dir = -1;
    for (int d = 0; d < 4 && dir < 0; ++d) {
      if (c + kCellStep[d][0] == gc && r + kCellStep[d][1] == gr) dir = d;
    }
    const bool at_goal = dir >= 0;
    const std::array<int, 1024>* ways = &ways_;
    std::array<int, 1024> around{};
    Remember(threats);
    if (!at_goal && Detour(g, gc, gr, c, r, around)) ways = &around;
    if (!at_goal && CellGrid::OnGrid(c, r)) dir = (*ways)[static_cast<size_t>(r * 32 + c)];
    if (dir < 0) return {};

    if (const std::optional<Plan> careful = Careful(g, x, y, threats, dir)) return *careful;
    if (at_goal) return {dir, model_.min_hold};
    if (CanStep(g.TileMap, x, y, dir)) return WalkStretch(*ways, x, y, c, r, dir);
    return LineUp(g, x, y, c, r, dir);
  }

  // True when an enemy within notice has walked toward us since the last
  // decision: a reason to think again once the current key has been held
  // long enough. One that stands still is no news.
  bool Alarmed(const Game& g) const {
    const int32_t x = PlayerMapX(g), y = PlayerMapY(g);
    for (const Threat& t : Threats(g, x, y)) {
      const auto& [ox, oy] = last_seen_at_[static_cast<size_t>(t.slot)];
      if (t.distance < std::max(std::abs(ox - x), std::abs(oy - y))) return true;
    }
    return false;
  }

 private:
  struct Threat {
    int32_t distance = 1 << 20;
    int32_t x = 0, y = 0;
    int slot = 0;
  };

  struct Seen {
    int c = 0, r = 0;
    int until = -1;
  };

  // Backs away: the way back along the path when it leaves the most room,
  // else the free direction that does; stands still when no step helps.
  Plan BackOff(const Game& g, int32_t x, int32_t y, const std::vector<Threat>& threats,
               int path_dir) {
    auto room_at = [&](int32_t px, int32_t py) {
      int32_t room = 1 << 20;
      for (const Threat& t : threats) {
        room = std::min(room, std::max(std::abs(t.x - px), std::abs(t.y - py)));
      }
      return room;
    };
    int best = -1;
    int32_t room = room_at(x, y);
    for (int i = 0; i < 4; ++i) {
      const int d = (path_dir + 2 + i) % 4;  // the way back first
      if (!CanStep(g.TileMap, x, y, d)) continue;
      const int32_t after = room_at(x + kDx[d] * model_.min_hold, y + kDy[d] * model_.min_hold);
      if (after > room) {
        room = after;
        best = d;
      }
    }
    if (best >= 0) return {best, model_.min_hold};
    return {};
  }

  // Enemies seen are remembered for a while where they were seen.
  void Remember(const std::vector<Threat>& threats) {
    ++decisions_;
    for (const Threat& t : threats) {
      remembered_[static_cast<size_t>(t.slot)] = {(t.x + 16) / 32, (t.y + 16) / 32,
                                                  decisions_ + model_.memory};
    }
  }

  // The ways to the goal around the cells next to every enemy remembered,
  // into `around`. False when no enemy is remembered or no such way leads
  // from the player's cell (c, r).
  bool Detour(const Game& g, int gc, int gr, int c, int r, std::array<int, 1024>& around) const {
    std::array<bool, 1024> blocked{};
    bool any = false;
    for (const Seen& seen : remembered_) {
      if (seen.until < decisions_) continue;
      any = true;
      for (int dr = -1; dr <= 1; ++dr) {
        for (int dc = -1; dc <= 1; ++dc) {
          const int bc = seen.c + dc, br = seen.r + dr;
          if (CellGrid::OnGrid(bc, br) && (bc != c || br != r)) {
            blocked[static_cast<size_t>(br * 32 + bc)] = true;
          }
        }
      }
    }
    if (!any) return false;
    around = WaysTo(g.TileMap, gc, gr, &blocked);
    return CellGrid::OnGrid(c, r) && around[static_cast<size_t>(r * 32 + c)] >= 0;
  }

  // What the enemies in sight leave of walking `dir`: backing off from one
  // too close or coming down the lane, waiting for one ahead to move on, or
  // standing a moment after backing off. Nothing: walk on.
  std::optional<Plan> Careful(const Game& g, int32_t x, int32_t y,
                              const std::vector<Threat>& threats, int dir) {
    bool back_off = false, wait = false;
    for (const Threat& t : threats) {
      const int32_t ex = t.x - x, ey = t.y - y;
      // Ahead: in the lane we are about to walk, not merely on that side.
      const int32_t along = (kDx[dir] * ex + kDy[dir] * ey) / 4;
      const int32_t across = std::abs(kDx[dir] != 0 ? ey : ex);
      const bool ahead = along > 0 && across < 48;
      const bool approaching = t.distance < last_distance_[static_cast<size_t>(t.slot)];
      if (t.distance <= model_.too_close || (ahead && approaching)) back_off = true;
      if (ahead) wait = true;
    }
    for (int i = 0; i < kEnemySlots; ++i) {
      const EnemySlot& e = g.EnemyTable[static_cast<size_t>(i)];
      last_seen_at_[static_cast<size_t>(i)] = {e.X, e.Y};
    }
    last_distance_.fill(1 << 20);
    for (const Threat& t : threats) last_distance_[static_cast<size_t>(t.slot)] = t.distance;
    if (back_off) {
      calm_ = model_.calm_down;
      return BackOff(g, x, y, threats, dir);
    }
    // Wait for it to move on, but not for ever: a guard that stays put is
    // walked past once patience runs out.
    if (wait && waited_ < model_.patience) {
      ++waited_;
      return Plan{};
    }
    if (!wait) waited_ = 0;
    if (calm_ > 0) {
      // Just backed off: give the enemy a moment before going on.
      calm_ -= model_.min_hold;
      return Plan{};
    }
    return std::nullopt;
  }

  // Walks to the end of the straight stretch of `ways` ahead, releasing on
  // the cell.
  Plan WalkStretch(const std::array<int, 1024>& ways, int32_t x, int32_t y, int c, int r, int dir) {
    int run = 1;
    int cc = c + kCellStep[dir][0], rr = r + kCellStep[dir][1];
    while (CellGrid::OnGrid(cc, rr) && ways[static_cast<size_t>(rr * 32 + cc)] == dir) {
      ++run;
      cc += kCellStep[dir][0];
      rr += kCellStep[dir][1];
    }
    const bool horizontal = dir == 1 || dir == 3;
    const int32_t target =
        horizontal ? (c + kCellStep[dir][0] * run) * 32 : (r + kCellStep[dir][1] * run) * 32;
    const int32_t now = horizontal ? x : y;
    return {dir, std::max(model_.min_hold, std::abs(target - now) / 4)};
  }

  // Not lined up with the way `dir`: lines up on the cell across the way.
  Plan LineUp(const Game& g, int32_t x, int32_t y, int c, int r, int dir) {
    const bool vertical = dir == 0 || dir == 2;
    const int32_t off = vertical ? c * 32 - x : r * 32 - y;
    const int toward = vertical ? (off > 0 ? 1 : 3) : (off > 0 ? 2 : 0);
    const int away = (toward + 2) % 4;
    if (std::abs(off) >= 4 * model_.min_hold) return {toward, std::abs(off) / 4};
    // Too close to reach in one hold: step away first, then come back.
    if (CanStep(g.TileMap, x, y, away)) return {away, model_.min_hold};
    return {toward, model_.min_hold};
  }

  // Cells walked from the player's cell to every floor cell within `reach`
  // cells (more elsewhere).
  static std::array<uint8_t, 1024> Walks(const CellGrid& map, int c, int r, int reach) {
    std::array<uint8_t, 1024> steps{};
    steps.fill(255);
    if (!CellGrid::OnGrid(c, r)) return steps;
    std::array<std::pair<int, int>, 1024> queue{};
    size_t head = 0, tail = 0;
    steps[static_cast<size_t>(r * 32 + c)] = 0;
    queue[tail++] = {c, r};
    while (head < tail) {
      const auto [qc, qr] = queue[head++];
      const uint8_t next = steps[static_cast<size_t>(qr * 32 + qc)] + 1;
      if (next > reach) continue;
      for (const auto& step : kCellStep) {
        const int nc = qc + step[0], nr = qr + step[1];
        if (!CellGrid::OnGrid(nc, nr) || map.Get(nc, nr) != kFloor) continue;
        uint8_t& slot = steps[static_cast<size_t>(nr * 32 + nc)];
        if (slot <= next) continue;
        slot = next;
        queue[tail++] = {nc, nr};
      }
    }
    return steps;
  }

  std::vector<Threat> Threats(const Game& g, int32_t x, int32_t y) const {
    std::vector<Threat> threats;
    // An enemy behind a wall is as far as the way round to it, unless it
    // walks through walls: a person sees the wall between.
    const int reach = model_.notice / kCellPixels + 2;
    const std::array<uint8_t, 1024> walks = Walks(g.TileMap, (x + 16) / 32, (y + 16) / 32, reach);
    const int32_t left = g.ViewX * kCellPixels, top = g.ViewY * kCellPixels;
    constexpr int32_t kViewWidth = kViewColumns * kCellPixels;
    constexpr int32_t kViewHeight = kViewRows * kCellPixels;
    for (int i = 0; i < kEnemySlots; ++i) {
      const EnemySlot& e = g.EnemyTable[static_cast<size_t>(i)];
      if (e.Active != kTrue) continue;
      const bool on_screen = e.X + 28 > left && e.X + 4 < left + kViewWidth && e.Y + 32 > top &&
                             e.Y < top + kViewHeight;
      // The radar's dots show the enemies beyond the screen's edge.
      const bool on_radar =
          e.X >= 0 && e.Y >= 0 && RadarScale(e.X) < kRadarWidth && RadarScale(e.Y) < kRadarHeight;
      int32_t d = std::max(std::abs(e.X - x), std::abs(e.Y - y));
      const int ec = (e.X + 16) / 32, er = (e.Y + 16) / 32;
      const bool through_walls = KindOf(e.Kind).walks_through_walls;
      if (!through_walls) {
        const int steps = CellGrid::OnGrid(ec, er) ? walks[static_cast<size_t>(er * 32 + ec)] : 255;
        d = std::max(d, (steps - 1) * kCellPixels);
      }
      if ((on_screen || on_radar) && d <= model_.notice) {
        threats.push_back({d, e.X, e.Y, i});
      }
    }
    return threats;
  }

  const PlayerModel& model_;
  std::array<int, 1024> ways_ = [] {
    std::array<int, 1024> a{};
    a.fill(-2);
    return a;
  }();
  bool had_key_ = false;
  std::array<std::pair<int32_t, int32_t>, kEnemySlots> last_seen_at_{};
  std::array<int32_t, kEnemySlots> last_distance_ = [] {
    std::array<int32_t, kEnemySlots> a{};
    a.fill(1 << 20);
    return a;
  }();
  int calm_ = 0;
  int decisions_ = 0;
  int waited_ = 0;
  std::array<Seen, kEnemySlots> remembered_{};
};

}  // namespace

CasualResult PlayCasually(Game& g, SimPlatform& p, int32_t start_frames, const PlayerModel& model) {
  CasualResult result;
  CasualPlayer player(model);
  int32_t move_code = 0;
  int hold = start_frames;
  int held = 0;  // frames the current choice has lasted
  p.HoldArrow(Key::Z);
  for (;;) {
    if (hold <= 0 || (held >= model.min_hold && player.Alarmed(g))) {
      held = 0;
      const Plan plan = player.Decide(g);
      p.HoldArrow(plan.dir < 0 ? Key::Z : kArrowOf[plan.dir]);
      hold = plan.frames > 0 ? plan.frames : model.min_hold;
    }
    --hold;
    ++held;
    const FrameOutcome outcome = PlayOneFrame(g, move_code, false);
    if (outcome == FrameOutcome::kMiss) {
      result.lost_life = true;
      break;
    }
    if (outcome == FrameOutcome::kCleared) {
      result.cleared = true;
      break;
    }
  }
  result.time_left = g.TimeLeft;
  p.HoldArrow(Key::Z);
  return result;
}

}  // namespace kolvar::bots
