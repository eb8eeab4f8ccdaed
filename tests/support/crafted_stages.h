// Small stages written for the tests that prove, rate and edit them: the
// top twelve rows of a map (26 columns) as its text has them, the rest of
// the map darkness.
#pragma once

#include <string>
#include <vector>

#include "core/game.h"

namespace kolvar::testing {

// The key chest in a den of demons (fast hunters that never give up a
// chase): no way leads out again with the key.
extern const std::vector<std::string> kDemonsDenRows;

// A stage's text: its title and map.
std::string CraftedStageText(const std::string& title, const std::vector<std::string>& rows);

// The stage compiled; a test failure (and empty grids) when it breaks a
// rule.
StageGrids CraftedStageGrids(const std::string& title, const std::vector<std::string>& rows);

}  // namespace kolvar::testing
