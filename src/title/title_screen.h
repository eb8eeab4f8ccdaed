// The title screen that runs before every game and chooses its first stage.
#pragma once

#include "core/game.h"

namespace kolvar {

// Shows the title and waits for Z; leaves StageNumber set.
void TitleScreen(Game& game);

}  // namespace kolvar
