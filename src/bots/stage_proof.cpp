#include "bots/stage_proof.h"

#include "bots/solver.h"
#include "flow/play_loop.h"

namespace kolvar::bots {

namespace {

// A game begun on `stage` on the machine `platform`, between its stage's
// entry and first play frame.
void BeginStage(Game& g, const StageToPlay& stage) {
  g.stages = stage.stages;
  g.ContinueStage = 1;
  g.StageNumber = stage.number;
  BeginGame(g);
}

}  // namespace

bool ReplayClears(const StageToPlay& stage, const std::vector<KeyEvent>& keys) {
  SimPlatform platform;
  platform.Follow(keys);
  Game g(platform, stage.root);
  BeginStage(g, stage);
  int32_t move_code = 0;
  for (;;) {
    move_code = PlayFrame(g, move_code);
    if (g.GameFlags[kMiss] == kTrue) return false;
    if (g.GameFlags[kStageCleared] == kTrue) return true;
    EndFrame(g);
  }
}

StageProof ProveStage(const StageToPlay& stage, const ProofOptions& options) {
  SimPlatform platform;
  Game g(platform, stage.root);
  BeginStage(g, stage);
  const SolverLimits limits = LimitsForBudget(options.budget_seconds, options.threads);
  const StageSolution found =
      SolveStage(g, platform, 0, limits, SearchWatch{options.cancel, options.progress});

  StageProof proof;
  proof.frames_searched = found.frames_simulated;
  proof.seconds = found.seconds;
  if (!found.cleared) {
    proof.verdict = found.cancelled ? ProofVerdict::kCancelled : ProofVerdict::kNoWayFound;
    return proof;
  }
  // The moves become keys on the machine's log, played quietly from the
  // stage's start; then the keys alone are played through the real rules.
  g.draws = false;
  int32_t move_code = 0;
  const bool played = PlayMoves(g, platform, move_code, found.moves, limits.frames_per_move);
  proof.keys = platform.Log();
  proof.clear_ms = found.clear_ms;
  const bool replayed = played && (options.replay ? options.replay(stage, proof.keys)
                                                  : ReplayClears(stage, proof.keys));
  proof.verdict = replayed ? ProofVerdict::kCleared : ProofVerdict::kReplayFailed;
  return proof;
}

}  // namespace kolvar::bots
