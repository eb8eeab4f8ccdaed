// The solver: searches, stage by stage, for arrow-key inputs that clear a
// stage with its enemies and without losing a life, from the state in which
// the stage starts. A beam search over 80-millisecond moves (hold one arrow,
// or none, for two frames), each scored by the steps still to walk to the
// chest and then the door; moves that lose a life, or that pass through an
// enemy's sprite, are dropped.
#pragma once

#include <cstdint>
#include <vector>

#include "core/game.h"
#include "bots/sim_platform.h"

namespace kolvar::bots {

struct SolverLimits {
  int beam_width = 48;
  int frames_per_move = 2;
  int64_t max_frames = 3'000'000;  // frames simulated per stage before giving up
  bool forbid_tricks = true;
};

struct StageSolution {
  bool cleared = false;
  std::vector<Key> moves;  // one arrow (Key::Z for none) per move
  int32_t frames = 0;      // play frames from the stage's first frame to the clear
  uint32_t clear_ms = 0;   // virtual milliseconds from the stage start to the clear
  int64_t frames_simulated = 0;
};

// Searches from the current state of `game` (a stage just started, between
// two frames); leaves the game in an unspecified state.
StageSolution SolveStage(Game& game, SimPlatform& platform, int32_t move_code,
                         const SolverLimits& limits);

// Plays `moves` from the current state, holding each for the given frames;
// stops at the frame that clears the stage (left to the caller's EndFrame).
// Returns false when a life is lost or the stage is not cleared.
bool PlayMoves(Game& game, SimPlatform& platform, int32_t& move_code, const std::vector<Key>& moves,
               int frames_per_move);

}  // namespace kolvar::bots
