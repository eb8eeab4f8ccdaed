// RateStage and RateInterval (bots/stage_proof.h): the casual player's runs
// on one stage, shared among threads run by run.
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "bots/casual_bot.h"
#include "bots/stage_proof.h"
#include "flow/play_loop.h"

namespace kolvar::bots {

namespace {

// The normal quantile of a two-sided 95 % interval.
constexpr double kZ95 = 1.959964;

// One thread's game, begun on the stage once; each run starts from there.
struct RunnerGame {
  explicit RunnerGame(const StageToPlay& stage) : game(platform, stage.root) {
    game.stages = stage.stages;
    game.ContinueStage = 1;
    game.StageNumber = stage.number;
    BeginGame(game);
    start = Snapshot::Save(game, platform);
    game.draws = false;
  }
  SimPlatform platform;
  Game game;
  Snapshot start;
};

}  // namespace

std::pair<double, double> RateInterval(int hits, int trials) {
  if (trials <= 0) return {0, 1};
  const double n = trials, p = hits / n, z2 = kZ95 * kZ95;
  const double centre = (p + z2 / (2 * n)) / (1 + z2 / n);
  const double half = kZ95 / (1 + z2 / n) * std::sqrt(p * (1 - p) / n + z2 / (4 * n * n));
  return {std::max(0.0, centre - half), std::min(1.0, centre + half)};
}

StageRating RateStage(const StageToPlay& stage, const RatingOptions& options) {
  const int runs = std::max(0, options.runs);
  std::atomic<int> next_run{0}, done{0}, cleared{0};
  std::atomic<bool> cancelled{false};
  std::mutex keys_mutex, progress_mutex;
  int keys_run = std::numeric_limits<int>::max();
  StageRating rating;

  auto work = [&](RunnerGame& runner) {
    for (int run = next_run++; run < runs; run = next_run++) {
      if (options.cancel && options.cancel->load()) {
        cancelled = true;
        return;
      }
      runner.start.Restore(runner.game, runner.platform);
      const CasualResult result =
          PlayCasually(runner.game, runner.platform, run * options.step_frames, options.player);
      if (result.cleared) {
        ++cleared;
        std::lock_guard<std::mutex> lock(keys_mutex);
        if (run < keys_run) {
          keys_run = run;
          rating.keys = runner.platform.Log();
        }
      }
      // One report at a time, in order.
      std::lock_guard<std::mutex> lock(progress_mutex);
      const int now_done = ++done;
      if (options.progress) options.progress(now_done);
    }
  };

  std::vector<std::unique_ptr<RunnerGame>> games;
  std::vector<std::thread> helpers;
  games.push_back(std::make_unique<RunnerGame>(stage));
  for (int t = 1; t < std::min(options.threads, runs); ++t) {
    games.push_back(std::make_unique<RunnerGame>(stage));
    try {
      helpers.emplace_back(work, std::ref(*games.back()));
    } catch (const std::system_error&) {
      break;  // no threads here: play every run on this one
    }
  }
  work(*games.front());
  for (std::thread& helper : helpers) helper.join();

  rating.runs = done;
  rating.cleared = cleared;
  rating.cancelled = cancelled;
  std::tie(rating.low, rating.high) = RateInterval(rating.cleared, rating.runs);
  return rating;
}

}  // namespace kolvar::bots
