// `--check-stages PACK`: proves a stage pack clearable and says how hard
// each stage plays. The stage compiler's rules first (every fault listed as
// FILE:LINE: error: ...), then each stage, started afresh as Continue would
// start it: the proof (bots/stage_proof.h), whose clear is replayed on the
// headless runner before it counts, and the clear rates of the player
// models; when the search finds no clear, a player's clear, replayed so,
// proves the stage instead.
// One line a stage names its file, the clear's time and the rate, or says
// that no way was found within the budget; on a terminal a progress line
// stands in its place while the stage is searched.
#pragma once

#include <cstdio>
#include <string>

#include "bots/stage_proof.h"

namespace kolvar {

struct CheckOptions {
  double budget_seconds = bots::kDefaultBudgetSeconds;  // --budget: each stage's proof
  int runs = 50;                                        // --runs: the casual player's; 0: none
  int threads = 2;
  // Progress lines: by default when `out` is a terminal.
  bool progress = false;
};

// Returns 0 when every stage keeps the rules and is proved, 1 otherwise.
// Lines go to `out`, faults to `err`.
int CheckStages(const std::string& folder, const std::string& data_root, std::FILE* out,
                std::FILE* err, const CheckOptions& options = {});

}  // namespace kolvar
