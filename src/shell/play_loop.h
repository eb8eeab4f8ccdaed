// One game: from the first stage to game over, the closing screen, or Esc.
#pragma once

#include "core/game.h"

namespace kolvar {

inline constexpr int32_t kFramePeriod = 40;

// Resets the game state for a new game (lives, score, grids, walk table).
void ResetGame(Game& game);

// Plays one game starting at StageNumber and returns to the title.
void RunGame(Game& game);

}  // namespace kolvar
