// The visible 10 x 7 cells of the map, drawn from the tile sheet. The back
// buffer holds the map view between changes, so ordinary frames only copy
// it; the animated sequences draw straight onto the screen.
#pragma once

#include "core/game.h"

namespace kolvar {

inline constexpr int kViewColumns = 10;
inline constexpr int kViewRows = 7;

// Draws the view into `target` at (0, 0). Columns and rows wrap around the
// map edges; a code with no tile in the sheet draws a black tile.
void DrawMapTo(Game& game, Surface& target);
void DrawMapToBuffer(Game& game);  // into B_Crt
void DrawMapToScreen(Game& game);  // onto Crt

}  // namespace kolvar
