// `--check-stages PACK`: proves a stage pack clearable. The stage compiler's
// rules first (every fault listed as FILE:LINE: error: ...), then the solver
// on each stage, started afresh as Continue would start it, with one line a
// stage naming its file and the solver's clear time, or that no way was
// found within the solver's budget.
#pragma once

#include <cstdio>
#include <string>

namespace kolvar {

// Returns 0 when every stage keeps the rules and the solver clears it, 1
// otherwise. Lines go to `out`, faults to `err`.
int CheckStages(const std::string& folder, const std::string& data_root, std::FILE* out,
                std::FILE* err);

}  // namespace kolvar
