// The stage compiler's rules of play: what a stage read from its text must
// keep so that the game can play it (assets/stages/README.md lists them).
#pragma once

#include <vector>

#include "stage/stage_text.h"

namespace stagec {

// Checks a stage whose grid was read whole, adding every broken rule to
// `errors`. Sorts the stage's enemies by the line that placed them.
void check_stage_rules(StageSource& stage, std::vector<Diagnostic>& errors);

}  // namespace stagec
