// Proving and rating one stage (bots/stage_proof.h): the verdicts on stages
// made for it, the same answer whatever the threads, the budget kept, a
// cancel obeyed, and the casual rate with its interval.
#include "bots/stage_proof.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "bots/solver.h"
#include "flow/play_loop.h"
#include "stage/stage_compiler.h"
#include "stage/stage_pack.h"
#include "support/crafted_stages.h"

namespace kolvar::bots {
namespace {

// A stage of one pack from the rows of its map's top twelve rows (26
// columns); the rest is darkness.
StageToPlay StageOf(const std::string& title, const std::vector<std::string>& rows) {
  StageToPlay stage;
  stage.stages.push_back(testing::CraftedStageGrids(title, rows));
  return stage;
}

StageToPlay DemonsDen() {
  return StageOf("The Demons' Den", testing::kDemonsDenRows);
}

// The key chest two rows below the start door, reached only at the far end
// of a corridor that winds through the whole map; no enemy.
StageToPlay LongWayRound() {
  return StageOf("The Long Way Round", {
                                           "##########################",
                                           "S........................#",
                                           "########################.#",
                                           "########################.#",
                                           "#........................#",
                                           "#.########################",
                                           "#.########################",
                                           "#........................#",
                                           "########################.#",
                                           "##K#####################.#",
                                           "##.......................#",
                                           "######E###################",
                                       });
}

TEST(StageProof, CraftedStagesGetTheSameVerdictOnOneThreadAndTwo) {
  struct Case {
    const char* name;
    StageToPlay stage;
    double budget;
    ProofVerdict verdict;
    uint32_t min_clear_ms;  // the long way takes this long at least
  };
  const Case cases[] = {
      {"demons' den", DemonsDen(), 1, ProofVerdict::kNoWayFound, 0},
      {"long way round", LongWayRound(), kDefaultBudgetSeconds, ProofVerdict::kCleared, 35'000},
  };
  for (const Case& c : cases) {
    std::vector<StageProof> proofs;
    for (int threads : {1, 2}) {
      ProofOptions options;
      options.budget_seconds = c.budget;
      options.threads = threads;
      proofs.push_back(ProveStage(c.stage, options));
      const StageProof& proof = proofs.back();
      EXPECT_EQ(proof.verdict, c.verdict) << c.name << ", " << threads << " threads";
      // Answered within the budget (and a layer of the search over it).
      EXPECT_LE(proof.seconds, c.budget + 0.5) << c.name << ", " << threads << " threads";
      EXPECT_GE(proof.clear_ms, c.min_clear_ms) << c.name;
      if (c.verdict == ProofVerdict::kCleared) {
        EXPECT_TRUE(ReplayClears(c.stage, proof.keys)) << c.name;
      }
    }
    EXPECT_EQ(ScriptText(proofs[0].keys), ScriptText(proofs[1].keys)) << c.name;
    EXPECT_EQ(proofs[0].clear_ms, proofs[1].clear_ms) << c.name;
  }
}

// The Deep Halls' stage 5 is cleared by the third of the search's styles
// only, after the first two have given up stuck: with two threads the
// third and the fourth run side by side, and the fourth must stop at the
// third's clear. (The search itself,
// without a limit of processor time, so that a slow build answers alike.)
TEST(StageProof, TheHardestShippedStageIsSolvedAlikeOnOneThreadAndTwo) {
  std::vector<StageSolution> solutions;
  for (int threads : {1, 2}) {
    SimPlatform platform;
    Game g(platform, ".");
    g.stages = ReadStagePack("stages/deep-halls").pack.value().stages;
    g.ContinueStage = 1;
    g.StageNumber = 5;
    BeginGame(g);
    SolverLimits limits;
    limits.threads = threads;
    solutions.push_back(SolveStage(g, platform, 0, limits));
  }
  EXPECT_TRUE(solutions[0].cleared);
  EXPECT_EQ(solutions[0].frames_simulated, solutions[1].frames_simulated);
  EXPECT_EQ(solutions[0].moves, solutions[1].moves);
}

TEST(StageProof, ReportsItsProgressAndStopsWhenCancelled) {
  std::mutex mutex;
  std::vector<double> reported;
  ProofOptions options;
  options.budget_seconds = 1;
  options.progress = [&](double spent) {
    std::lock_guard<std::mutex> lock(mutex);
    reported.push_back(spent);
  };
  EXPECT_EQ(ProveStage(DemonsDen(), options).verdict, ProofVerdict::kNoWayFound);
  ASSERT_FALSE(reported.empty());
  EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
  EXPECT_GT(reported.back(), 0.9);
  EXPECT_LE(reported.back(), 1.0);

  const std::atomic<bool> cancel{true};
  options.progress = nullptr;
  options.cancel = &cancel;
  options.budget_seconds = 100;
  const StageProof cancelled = ProveStage(DemonsDen(), options);
  EXPECT_EQ(cancelled.verdict, ProofVerdict::kCancelled);
  // One layer of the search at most: a few hundred frames.
  EXPECT_LT(cancelled.frames_searched, 2000);
}

TEST(StageRating, AStageWithoutEnemiesIsClearedEveryTimeByEveryPlayer) {
  const StageToPlay stage = LongWayRound();
  for (const PlayerModel& player : kPlayerModels) {
    RatingOptions options;
    options.player = player;
    options.runs = 10;
    std::atomic<int> last_done{0};
    options.progress = [&](int done) { last_done = std::max(last_done.load(), done); };
    const StageRating rating = RateStage(stage, options);
    EXPECT_EQ(rating.runs, 10) << player.name;
    EXPECT_EQ(rating.cleared, 10) << player.name;
    EXPECT_EQ(last_done.load(), 10) << player.name;
    EXPECT_DOUBLE_EQ(rating.high, 1.0) << player.name;
    EXPECT_GT(rating.low, 0.6) << player.name;
    EXPECT_TRUE(ReplayClears(stage, rating.keys)) << player.name;
  }
  RatingOptions options;
  options.runs = 10;
  const StageRating den = RateStage(DemonsDen(), options);
  EXPECT_EQ(den.cleared, 0);
  EXPECT_TRUE(den.keys.empty());
}

// Slimes in niches two rows below the way, walled off from it: the way
// round to them is twenty cells, and a slime moves only to chase. A person
// walks past them; a player that judged them by their distance alone stood
// off from the first one until the time ran out.
TEST(StageRating, EnemiesWalledOffBesideTheWayHoldNoPlayerUp) {
  const StageToPlay stage = StageOf("Slimes Behind the Wall", {
                                                                  "#############E############",
                                                                  "S........................K",
                                                                  "#.########################",
                                                                  "#.#######1#####1#####1####",
                                                                  "#........................#",
                                                                  "##########################",
                                                                  "##########################",
                                                                  "##########################",
                                                                  "##########################",
                                                                  "##########################",
                                                                  "##########################",
                                                                  "##########################",
                                                              });
  for (const PlayerModel& player : kPlayerModels) {
    RatingOptions options;
    options.player = player;
    options.runs = 10;
    EXPECT_EQ(RateStage(stage, options).cleared, 10) << player.name;
  }
}

TEST(StageRating, TheIntervalIsWilsons) {
  struct Case {
    int hits, trials;
    double low, high;
  };
  for (const Case& c : {Case{17, 50, 0.2241, 0.4781}, Case{0, 50, 0.0, 0.0713},
                        Case{50, 50, 0.9287, 1.0}, Case{5, 5, 0.5655, 1.0}}) {
    const auto [low, high] = RateInterval(c.hits, c.trials);
    EXPECT_NEAR(low, c.low, 5e-4) << c.hits << " of " << c.trials;
    EXPECT_NEAR(high, c.high, 5e-4) << c.hits << " of " << c.trials;
  }
}

}  // namespace
}  // namespace kolvar::bots
