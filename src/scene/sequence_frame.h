// The picture of one step of an animated sequence (entry, scroll, key):
// the map drawn straight onto the screen with the characters, the radar and
// the HUD over it.
#pragma once

#include "core/game.h"

namespace kolvar {

// Sprites, radar and HUD over whatever Crt holds.
void DrawSceneLayers(Game& game);

// The map view onto Crt, then the scene layers.
void DrawSequenceFrame(Game& game);

}  // namespace kolvar
