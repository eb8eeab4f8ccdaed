// The player and the enemies near the view, as 24 x 32 masked sprites cut
// from the character sheet by kind, facing and walk frame.
#pragma once

#include "core/game.h"

namespace kolvar {

// Draws onto Crt: the player, then (unless the miss flag is set) every active
// enemy inside the drawing window, in slot order, so enemies cover the
// player and higher slots cover lower ones.
void DrawSprites(Game& game);

// A character's picture on the character sheet: the player's for 0, else
// the enemy kind's (the player's for a kind outside the table). Each holds
// three 24 x 32 masked walk frames a row, a row per Direction.
const SheetPicture& CharacterPicture(int32_t kind);
inline constexpr int kCharacterWidth = 24;
inline constexpr int kCharacterHeight = 32;

}  // namespace kolvar
