// The view moves by whole screens: when the player walks off an edge, the
// map is pushed one cell per frame until the next screen is in view, and the
// player walks a few steps into it. Nothing else of the game runs meanwhile.
#pragma once

#include "core/game.h"

namespace kolvar {

// Acts on the previous frame's move code; returns at once when the player
// has not walked past an edge in that direction.
void ScrollScreen(Game& game, int32_t move_code);

}  // namespace kolvar
