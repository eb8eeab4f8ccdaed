#include "bots/solver.h"

#include <algorithm>
#include <numeric>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "bots/frame_driver.h"
#include "bots/navigation.h"

namespace kolvar::bots {

namespace {

constexpr Key kMoves[5] = {Key::Z, Key::Up, Key::Right, Key::Down, Key::Left};

struct Record {
  int32_t parent;
  Key move;
};

struct Node {
  Snapshot state;
  int32_t move_code = 0;
  int32_t record = -1;
  int32_t score = 0;
  int32_t clearance = 0;  // Chebyshev pixels to the nearest enemy
  int32_t nearest = 0;    // that enemy's map cell when it is near, else 0
};

struct Fields {
  StepField to_key, to_door;
  int32_t key_to_door = 0;
};

int32_t Remaining(const Fields& f, const Game& g) {
  const int32_t x = PlayerMapX(g), y = PlayerMapY(g);
  if (g.GameFlags[kKeyHeld] == kTrue) return f.to_door.At(x, y);
  return f.to_key.At(x, y) + f.key_to_door;
}

// Chebyshev pixels to the nearest enemy, and that enemy's cell (+1) when it
// is within four cells: two nodes at one place are told apart by it.
std::pair<int32_t, int32_t> Clearance(const Game& g) {
  const int32_t x = PlayerMapX(g), y = PlayerMapY(g);
  int32_t best = 1 << 20, cell = 0;
  for (const EnemySlot& e : g.EnemyTable) {
    if (e.Active != kTrue) continue;
    const int32_t d = std::max(std::abs(e.X - x), std::abs(e.Y - y));
    if (d < best) {
      best = d;
      cell = d < 128 ? 1 + ((e.Y + 16) / 32) * 32 + (e.X + 16) / 32 : 0;
    }
  }
  return {best, cell};
}

// The walks left to the key chest and from it to the exit door.
Fields GoalFields(const Game& g) {
  Fields fields;
  fields.to_key = StepField(g.TileMap, kKeyChest);
  CellGrid opened = g.TileMap;
  opened.Set(g.KeyCellX, g.KeyCellY, kFloor);
  fields.to_door = StepField(opened, kExitDoor);
  fields.key_to_door = fields.to_door.MinWhereTouching(g.TileMap, kKeyChest);
  return fields;
}

// The moves that led to record `last`, first move first.
std::vector<Key> MovesTo(const std::vector<Record>& records, int32_t last) {
  std::vector<Key> moves;
  for (int32_t r = last; r >= 0; r = records[static_cast<size_t>(r)].parent) {
    moves.push_back(records[static_cast<size_t>(r)].move);
  }
  std::reverse(moves.begin(), moves.end());
  return moves;
}

// The next layer's beam, chosen from the children `next` (which it takes
// from). Most of the beam goes to the nodes nearest the goal, careful at
// most three per map cell, so that the beam also keeps places to wait or to
// back off to; a quarter goes to the safest nodes.
class BeamChooser {
 public:
  explicit BeamChooser(bool careful) : careful_(careful) {}

  void Choose(std::vector<Node>& next, size_t width, std::vector<Node>& beam) {
    seen_.clear();
    cells_.clear();
    beam.clear();
    // The nodes are sorted by their indices: moving whole nodes about
    // would cost more than playing their frames.
    order_.resize(next.size());
    std::iota(order_.begin(), order_.end(), size_t{0});
    std::stable_sort(order_.begin(), order_.end(),
                     [&](size_t a, size_t b) { return next[a].score < next[b].score; });
    Take(next, width - width / 4, beam);
    // Ties in room stay in the order of the walk left.
    std::stable_sort(order_.begin(), order_.end(),
                     [&](size_t a, size_t b) { return next[a].clearance > next[b].clearance; });
    Take(next, width, beam);
  }

 private:
  // Moves nodes of `next` in the order `order_` into `beam` until it holds
  // `count`: one a place (and, careful, three a map cell at the most).
  void Take(std::vector<Node>& next, size_t count, std::vector<Node>& beam) {
    for (size_t i : order_) {
      Node& n = next[i];
      if (beam.size() >= count) break;
      if (n.record < 0) continue;
      const int32_t x = PlayerMapX(n.state.play) + 64;
      const int32_t y = PlayerMapY(n.state.play) + 64;
      const uint64_t held = n.state.play.GameFlags[kKeyHeld] == kTrue ? 1u : 0u;
      const uint64_t key =
          ((static_cast<uint64_t>(x) << 32) | (static_cast<uint64_t>(y) << 1) | held) ^
          (careful_ ? static_cast<uint64_t>(n.nearest) * 0x9E3779B97F4A7C15ull : 0);
      const uint64_t cell = (static_cast<uint64_t>((x + 16) / 32) << 32) |
                            (static_cast<uint64_t>((y + 16) / 32) << 1) | held;
      if (seen_.count(key) != 0 || (careful_ && cells_[cell] >= 3)) continue;
      seen_.insert(key);
      ++cells_[cell];
      beam.push_back(std::move(n));
      n.record = -1;
    }
  }

  bool careful_;
  std::unordered_set<uint64_t> seen_;
  std::unordered_map<uint64_t, int> cells_;
  std::vector<size_t> order_;
};

}  // namespace

// One beam search. `careful` scores nodes by their room from the enemies
// too and keeps up to three per map cell (told apart by the nearest enemy);
// otherwise nodes are scored by the walk left alone and kept one per place.
StageSolution SolveWithStyle(Game& g, SimPlatform& p, int32_t move_code, const SolverLimits& limits,
                             int beam_width, bool careful, int64_t max_frames) {
  StageSolution result;
  const Fields fields = GoalFields(g);
  std::vector<Record> records;
  std::vector<Node> beam(1);
  beam[0].state = Snapshot::Save(g, p);
  beam[0].move_code = move_code;
  const uint32_t start_ms = p.Clock();

  std::vector<Node> next;
  BeamChooser chooser(careful);
  for (int32_t layer = 0; !beam.empty(); ++layer) {
    next.clear();
    for (const Node& node : beam) {
      for (Key move : kMoves) {
        node.state.Restore(g, p);
        int32_t code = node.move_code;
        p.HoldArrow(move);
        FrameOutcome outcome = FrameOutcome::kGoOn;
        for (int f = 0; f < limits.frames_per_move && outcome == FrameOutcome::kGoOn; ++f) {
          outcome = PlayOneFrame(g, code, limits.forbid_tricks);
          ++result.frames_simulated;
        }
        if (outcome == FrameOutcome::kMiss || outcome == FrameOutcome::kTrick) continue;
        records.push_back({node.record, move});
        if (outcome == FrameOutcome::kCleared) {
          // The first clear found is the earliest: every node of a layer has
          // played the same number of frames.
          result.moves = MovesTo(records, static_cast<int32_t>(records.size()) - 1);
          result.cleared = true;
          result.clear_ms = p.Clock() - start_ms;
          return result;
        }
        Node child;
        child.state = Snapshot::Save(g, p);
        child.move_code = code;
        child.record = static_cast<int32_t>(records.size()) - 1;
        std::tie(child.clearance, child.nearest) = Clearance(g);
        child.score = Remaining(fields, g) + (careful ? std::max(0, 64 - child.clearance) / 4 : 0);
        next.push_back(std::move(child));
      }
    }
    if (result.frames_simulated > max_frames) return result;
    chooser.Choose(next, static_cast<size_t>(beam_width), beam);
    result.frames = (layer + 1) * limits.frames_per_move;
  }
  return result;
}

StageSolution SolveStage(Game& g, SimPlatform& p, int32_t move_code, const SolverLimits& limits) {
  // Two styles, each with a share of the budget, the plain one first; then
  // both again with a wider beam.
  const Snapshot start = Snapshot::Save(g, p);
  g.draws = false;
  struct Style {
    int width;
    bool careful;
  };
  const Style styles[] = {{limits.beam_width, false},
                          {limits.beam_width, true},
                          {limits.beam_width * 3, true},
                          {limits.beam_width * 3, false}};
  int64_t spent = 0;
  StageSolution found;
  for (const Style& style : styles) {
    start.Restore(g, p);
    const int64_t share = limits.max_frames / 4;
    found = SolveWithStyle(g, p, move_code, limits, style.width, style.careful, share);
    spent += found.frames_simulated;
    if (found.cleared) break;
  }
  found.frames_simulated = spent;
  g.draws = true;
  return found;
}

bool PlayMoves(Game& g, SimPlatform& p, int32_t& move_code, const std::vector<Key>& moves,
               int frames_per_move) {
  for (size_t i = 0; i < moves.size(); ++i) {
    p.HoldArrow(moves[i]);
    for (int f = 0; f < frames_per_move; ++f) {
      const FrameOutcome outcome = PlayOneFrame(g, move_code, false);
      if (outcome == FrameOutcome::kMiss) return false;
      if (outcome == FrameOutcome::kCleared) return i + 1 == moves.size();
    }
  }
  return false;
}

}  // namespace kolvar::bots
