// The program's outer loop: title screen, one game, again, until the window
// is closed.
#pragma once

#include "core/game.h"

namespace kolvar {

[[noreturn]] void RunProgram(Game& game);

}  // namespace kolvar
