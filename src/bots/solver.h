// The solver: searches, stage by stage, for arrow-key inputs that clear a
// stage with its enemies and without losing a life, from the state in which
// the stage starts. A beam search over 80-millisecond moves (hold one arrow,
// or none, for two frames), each scored by the steps still to walk to the
// chest and then the door; moves that lose a life, or that pass through an
// enemy's sprite, are dropped. The search plays without drawing
// (Game::draws), so a frame costs its rules alone.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "bots/sim_platform.h"
#include "core/game.h"

namespace kolvar::bots {

// Frames searched for each second of the budget: at this rate a search
// stays well within its processor time on an ordinary machine, and the
// frames, not the time, end it, so its answer does not depend on the
// machine's speed or load.
inline constexpr int64_t kFramesPerBudgetSecond = 300'000;

struct SolverLimits {
  int beam_width = 48;
  int frames_per_move = 2;
  int64_t max_frames = 3'000'000;  // frames simulated per stage before giving up
  bool forbid_tricks = true;
  // Processor seconds (all threads together) after which the search gives
  // up even within max_frames: only a slow or loaded machine gets there.
  // 0: no such limit.
  double max_seconds = 0;
  // Threads searching the styles side by side. The clear reported is the
  // one of the first style in order that finds one, as with one thread.
  int threads = 1;
};

// What the caller of a search may watch and stop.
struct SearchWatch {
  // Set (from any thread) to stop the search as soon as it can.
  const std::atomic<bool>* cancel = nullptr;
  // Called now and then from a searching thread with the share of the
  // budget spent so far (0..1).
  std::function<void(double spent)> progress;
};

struct StageSolution {
  bool cleared = false;
  bool cancelled = false;
  bool out_of_time = false;  // max_seconds ran out before max_frames
  std::vector<Key> moves;    // one arrow (Key::Z for none) per move
  int32_t frames = 0;        // play frames from the stage's first frame to the clear
  uint32_t clear_ms = 0;     // virtual milliseconds from the stage start to the clear
  int64_t frames_simulated = 0;
  double seconds = 0;  // processor seconds of all threads
};

// The limits of a search given `seconds` of processor time.
SolverLimits LimitsForBudget(double seconds, int threads);

// Searches from the current state of `game` (a stage just started, between
// two frames), which it leaves as it found it.
StageSolution SolveStage(Game& game, SimPlatform& platform, int32_t move_code,
                         const SolverLimits& limits, const SearchWatch& watch = {});

// Plays `moves` from the current state, holding each for the given frames;
// stops at the frame that clears the stage (left to the caller's EndFrame).
// Returns false when a life is lost or the stage is not cleared.
bool PlayMoves(Game& game, SimPlatform& platform, int32_t& move_code, const std::vector<Key>& moves,
               int frames_per_move);

}  // namespace kolvar::bots
