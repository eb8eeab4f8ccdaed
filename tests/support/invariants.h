// What must hold after every play frame, whatever the keys and the stage:
// used by the soak test and the stage fuzzer.
#pragma once

#include <string>

#include "core/game.h"

namespace kolvar::testing {

// Empty when the game state is in range; otherwise what is out of range.
std::string CheckPlayInvariants(const Game& game);

}  // namespace kolvar::testing
