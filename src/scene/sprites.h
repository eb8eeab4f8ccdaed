// The player and the enemies near the view, as 24 x 32 masked sprites cut
// from the character sheet by kind, facing and walk frame.
#pragma once

#include "core/game.h"

namespace kolvar {

// Draws onto Crt: the player, then (unless the miss flag is set) every active
// enemy inside the drawing window, in slot order, so enemies cover the
// player and higher slots cover lower ones.
void DrawSprites(Game& game);

}  // namespace kolvar
