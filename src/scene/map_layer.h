// The visible kViewColumns x kViewRows cells of the map (core/cell_codes.h),
// drawn from the tile sheet. The back buffer holds the map view between
// changes, so ordinary frames only copy it; the animated sequences draw
// straight onto the screen.
#pragma once

#include "core/game.h"

namespace kolvar {

// Draws the view into `target` at (0, 0). Columns and rows wrap around the
// map edges; a code with no tile in the sheet draws a black tile.
void DrawMapTo(Game& game, Surface& target);
void DrawMapToBuffer(Game& game);  // into B_Crt
void DrawMapToScreen(Game& game);  // onto Crt

}  // namespace kolvar
