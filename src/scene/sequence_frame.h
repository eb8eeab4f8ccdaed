// The picture of one step of an animated sequence (entry, scroll, key):
// the map drawn straight onto the screen with the characters, the radar and
// the HUD over it.
#pragma once

#include "core/game.h"

namespace kolvar {

// The map view onto Crt, and below it the 16-pixel strip copied from the
// back buffer. Sprites that reach below the map leave pieces in that strip
// of Crt; taking it from B_Crt each time keeps them from piling up over a
// sequence and from being stored as the background of the coming frames.
void DrawBareView(Game& game);

// Sprites, radar and HUD over whatever Crt holds.
void DrawSceneLayers(Game& game);

// The bare view onto Crt, then the scene layers.
void DrawSequenceFrame(Game& game);

}  // namespace kolvar
