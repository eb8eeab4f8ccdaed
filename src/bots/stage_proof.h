// Proving and rating one stage, for whoever waits on the answer: the stage
// check of the command line and the stage editor. Both work in-process on a
// game of their own, can be stopped from another thread, report how far
// they have got, and hand back the keys of a clear so that it can be
// watched.
//
// The keys are an input script's lines (bots/sim_platform.h, KeyEvent) on
// the clock of a game that begins on the stage at 0 ms: a SimPlatform
// following them (SimPlatform::Follow), or the headless runner reading them
// as its --input, replays the clear from BeginGame.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bots/casual_bot.h"
#include "bots/sim_platform.h"
#include "core/game.h"

namespace kolvar::bots {

// A stage to prove or rate: number `number` of `stages` (a pack's, or the
// game's own from the data folder `root` when empty), begun afresh as
// Continue begins it.
struct StageToPlay {
  std::string root = ".";
  std::vector<StageGrids> stages;
  int32_t number = 1;
};

// The default processor time a proof may take before it answers "no way
// found".
inline constexpr double kDefaultBudgetSeconds = 10;

struct ProofOptions {
  double budget_seconds = kDefaultBudgetSeconds;
  int threads = 2;
  // Set from any thread to stop the proof; it then answers kCancelled.
  const std::atomic<bool>* cancel = nullptr;
  // Called now and then, from a searching thread, with the share of the
  // budget spent (0..1): one call at a time, each share larger.
  std::function<void(double spent)> progress;
  // Plays a clear's keys once more through the real rules, pictures and
  // all, and says whether they clear the stage without losing a life. The
  // default plays them on a SimPlatform following them as a script; the
  // command line passes one that runs the headless runner.
  std::function<bool(const StageToPlay&, const std::vector<KeyEvent>&)> replay;
};

enum class ProofVerdict {
  kCleared,     // a clear was found and its keys replayed
  kNoWayFound,  // the budget ran out
  kCancelled,
  kReplayFailed,  // a clear was found but its keys did not clear the stage
};

struct StageProof {
  ProofVerdict verdict = ProofVerdict::kNoWayFound;
  std::vector<KeyEvent> keys;  // the clear's, from the game's start
  uint32_t clear_ms = 0;       // play from the stage's start to the clear
  int64_t frames_searched = 0;
  double seconds = 0;  // processor seconds the search took
};

StageProof ProveStage(const StageToPlay& stage, const ProofOptions& options = {});

// Plays `keys` from a game begun on `stage` through the real rules on a
// SimPlatform; true when they clear it without losing a life.
bool ReplayClears(const StageToPlay& stage, const std::vector<KeyEvent>& keys);

// A clear rate: a player model (bots/casual_bot.h; the casual one unless
// told) plays the stage `runs` times, run k standing still k × step_frames
// frames first.
struct RatingOptions {
  PlayerModel player = kCasualPlayer;
  int runs = 50;
  int32_t step_frames = 5;
  int threads = 2;
  const std::atomic<bool>* cancel = nullptr;
  // Called after each run, from a playing thread, with the runs done (one
  // call at a time, the counts in order).
  std::function<void(int done)> progress;
};

struct StageRating {
  int runs = 0;  // runs played (fewer than asked when cancelled)
  int cleared = 0;
  bool cancelled = false;
  // The clear rate's 95 % interval (Wilson's), 0..1.
  double low = 0, high = 0;
  std::vector<KeyEvent> keys;  // the first clearing run's, from the game's start
  double Rate() const { return runs > 0 ? static_cast<double>(cleared) / runs : 0; }
};

StageRating RateStage(const StageToPlay& stage, const RatingOptions& options = {});

// The 95 % interval of a rate of `hits` in `trials` (Wilson's score
// interval), as {low, high} in 0..1.
std::pair<double, double> RateInterval(int hits, int trials);

}  // namespace kolvar::bots
