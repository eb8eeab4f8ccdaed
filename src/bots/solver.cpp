#include "bots/solver.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <limits>
#include <memory>
#include <mutex>
#include <numeric>
#include <system_error>
#include <thread>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "bots/cpu_clock.h"
#include "bots/frame_driver.h"
#include "bots/navigation.h"

namespace kolvar::bots {

namespace {

constexpr Key kMoves[5] = {Key::Z, Key::Up, Key::Right, Key::Down, Key::Left};

// Layers (24 s of play) a style searches on without any of its nodes
// getting nearer the goal before it gives up: its beam is caught where the
// enemies keep it, and searching on mostly plays the same dance. Of the
// shipped stages' clears, the longest such stand before one is 14 s, but
// for the plain search on the game's stage 15 (44 s), which the careful
// one clears without.
constexpr int32_t kStallLayers = 300;

struct Record {
  int32_t parent;
  Key move;
};

struct Node {
  StageSnapshot state;
  int32_t x = 0, y = 0;  // the player's map position
  bool key_held = false;
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
      const int32_t x = n.x + 64;
      const int32_t y = n.y + 64;
      const uint64_t held = n.key_held ? 1u : 0u;
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

// What the styles searching side by side share: the first style (in
// order) that has found a clear, the budget and the caller's watch.
class SharedSearch {
 public:
  SharedSearch(const SolverLimits& limits, const SearchWatch& watch)
      : limits_(limits), watch_(watch) {}

  // True when style `index` should stop: an earlier style has cleared the
  // stage, the caller cancelled, or the time ran out.
  bool Stop(int index) const {
    return first_clear_.load() < index || Cancelled() || out_of_time_.load();
  }
  bool Cancelled() const { return watch_.cancel && watch_.cancel->load(); }
  bool OutOfTime() const { return out_of_time_.load(); }

  void Cleared(int index) {
    int first = first_clear_.load();
    while (index < first && !first_clear_.compare_exchange_weak(first, index)) {
    }
  }
  int FirstClear() const { return first_clear_.load(); }

  // Counts a layer's frames and processor time; reports progress now and
  // then.
  // A style that gave up early leaves `frames` of its share unsearched: the
  // progress counts them as spent, so that it still ends at the whole.
  void Gave(int64_t frames) { Spent(std::max<int64_t>(0, frames), 0); }

  void Spent(int64_t frames, double seconds) {
    const int64_t all_frames = frames_ += frames;
    const int64_t micros = micros_ += static_cast<int64_t>(seconds * 1e6);
    if (limits_.max_seconds > 0 && micros > static_cast<int64_t>(limits_.max_seconds * 1e6)) {
      out_of_time_ = true;
    }
    if (!watch_.progress) return;
    double spent = static_cast<double>(all_frames) / static_cast<double>(limits_.max_frames);
    if (limits_.max_seconds > 0)
      spent = std::max(spent, static_cast<double>(micros) * 1e-6 / limits_.max_seconds);
    const int64_t step = static_cast<int64_t>(std::min(spent, 1.0) * kProgressSteps);
    std::lock_guard<std::mutex> lock(progress_mutex_);
    if (step <= reported_) return;
    reported_ = step;
    watch_.progress(std::min(spent, 1.0));
  }
  double Seconds() const { return static_cast<double>(micros_.load()) * 1e-6; }

 private:
  static constexpr double kProgressSteps = 100;

  const SolverLimits& limits_;
  const SearchWatch& watch_;
  std::atomic<int> first_clear_{std::numeric_limits<int>::max()};
  std::atomic<bool> out_of_time_{false};
  std::atomic<int64_t> frames_{0};
  std::atomic<int64_t> micros_{0};
  std::mutex progress_mutex_;
  int64_t reported_ = -1;
};

// A search style: the beam's width and whether it is careful.
struct Style {
  int width;
  bool careful;
};

// One beam search, style number `index`. `careful` scores nodes by their
// room from the enemies too and keeps up to three per map cell (told apart
// by the nearest enemy); otherwise nodes are scored by the walk left alone
// and kept one per place.
StageSolution SolveWithStyle(Game& g, SimPlatform& p, int32_t move_code, const SolverLimits& limits,
                             const Style& style, int64_t max_frames, int index,
                             SharedSearch& shared) {
  StageSolution result;
  const bool careful = style.careful;
  const Fields fields = GoalFields(g);
  std::vector<Record> records;
  std::vector<Node> beam(1);
  beam[0].state = StageSnapshot::Save(g, p);
  beam[0].move_code = move_code;
  const uint32_t start_ms = p.Clock();

  std::vector<Node> next;
  BeamChooser chooser(careful);
  double clock = ThreadSeconds();
  int64_t frames_counted = 0;
  auto count = [&] {
    const double now = ThreadSeconds();
    shared.Spent(result.frames_simulated - frames_counted, now - clock);
    clock = now;
    frames_counted = result.frames_simulated;
  };
  // The least walk left any node has had, and the layer that first had it.
  int32_t nearest = kUnreachable + 1, nearest_layer = 0;
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
          count();
          return result;
        }
        Node child;
        child.state = StageSnapshot::Save(g, p);
        child.x = PlayerMapX(g);
        child.y = PlayerMapY(g);
        child.key_held = g.GameFlags[kKeyHeld] == kTrue;
        child.move_code = code;
        child.record = static_cast<int32_t>(records.size()) - 1;
        std::tie(child.clearance, child.nearest) = Clearance(g);
        const int32_t remaining = Remaining(fields, g);
        if (remaining < nearest) {
          nearest = remaining;
          nearest_layer = layer;
        }
        child.score = remaining + (careful ? std::max(0, 64 - child.clearance) / 4 : 0);
        next.push_back(std::move(child));
      }
    }
    count();
    if (result.frames_simulated > max_frames || shared.Stop(index)) return result;
    if (layer - nearest_layer > kStallLayers) {
      // Stuck: the rest of this style's share is left to the next.
      shared.Gave(max_frames - result.frames_simulated);
      return result;
    }
    chooser.Choose(next, static_cast<size_t>(style.width), beam);
    result.frames = (layer + 1) * limits.frames_per_move;
  }
  return result;
}

// A game of its own for a searching thread, in the state `start`, drawing
// nothing.
struct WorkerGame {
  WorkerGame(const Game& like, const Snapshot& start) : game(platform, like.root) {
    game.stages = like.stages;
    game.draws = false;
    start.Restore(game, platform);
  }
  SimPlatform platform;
  Game game;
};

}  // namespace

SolverLimits LimitsForBudget(double seconds, int threads) {
  SolverLimits limits;
  limits.max_frames = std::max<int64_t>(
      1, static_cast<int64_t>(seconds * static_cast<double>(kFramesPerBudgetSecond)));
  limits.max_seconds = seconds;
  limits.threads = threads;
  return limits;
}

StageSolution SolveStage(Game& g, SimPlatform& p, int32_t move_code, const SolverLimits& limits,
                         const SearchWatch& watch) {
  // Four styles, each with a share of the budget: the plain one first, then
  // the careful one, then both again with a wider beam (the plain one first
  // again: the careful one's room costs it the way through a guarded
  // corner more often than it saves it from a chaser). With more threads
  // they search side by side; a style stops once an earlier one has found a
  // clear, and the earliest style's clear is the answer, as with one thread.
  const Style styles[] = {{limits.beam_width, false},
                          {limits.beam_width, true},
                          {limits.beam_width * 3, false},
                          {limits.beam_width * 3, true}};
  constexpr int kStyles = static_cast<int>(std::size(styles));
  const int64_t share = limits.max_frames / kStyles;
  const Snapshot start = Snapshot::Save(g, p);
  const bool drew = g.draws;
  SharedSearch shared(limits, watch);
  std::array<StageSolution, kStyles> found{};
  std::atomic<int> next_style{0};
  auto work = [&](Game& wg, SimPlatform& wp) {
    for (int i = next_style++; i < kStyles; i = next_style++) {
      if (shared.Stop(i)) continue;
      start.Restore(wg, wp);
      found[static_cast<size_t>(i)] =
          SolveWithStyle(wg, wp, move_code, limits, styles[i], share, i, shared);
      if (found[static_cast<size_t>(i)].cleared) shared.Cleared(i);
    }
  };

  std::vector<std::thread> helpers;
  std::vector<std::unique_ptr<WorkerGame>> games;
  for (int t = 1; t < std::min(limits.threads, kStyles); ++t) {
    games.push_back(std::make_unique<WorkerGame>(g, start));
    try {
      helpers.emplace_back(work, std::ref(games.back()->game), std::ref(games.back()->platform));
    } catch (const std::system_error&) {
      break;  // no threads here (a browser build without them): search alone
    }
  }
  g.draws = false;
  work(g, p);
  for (std::thread& helper : helpers) helper.join();
  g.draws = drew;
  start.Restore(g, p);

  // The answer: the first style's clear; the frames searched are those of
  // the styles up to it, as one thread would have searched them.
  const int first = shared.FirstClear();
  StageSolution answer;
  for (int i = 0; i < kStyles && i <= first; ++i) {
    answer.frames_simulated += found[static_cast<size_t>(i)].frames_simulated;
    if (i == first) {
      const int64_t frames = answer.frames_simulated;
      answer = std::move(found[static_cast<size_t>(i)]);
      answer.frames_simulated = frames;
    }
  }
  answer.cancelled = !answer.cleared && shared.Cancelled();
  answer.out_of_time = !answer.cleared && shared.OutOfTime();
  answer.seconds = shared.Seconds();
  return answer;
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
