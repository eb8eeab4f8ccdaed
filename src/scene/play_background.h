// The start of every play frame's drawing: the screen back to the back
// buffer's picture, on which the frame draws its sprites, radar and HUD.
#pragma once

#include "core/game.h"

namespace kolvar {

// Makes the screen's picture the back buffer's, as a copy of the whole
// picture would. When the back buffer has not been drawn on since the last
// call and everything drawn on the screen since then named where it drew
// (the surfaces' damage records), only those rectangles are copied back:
// the rest of the screen still holds the back buffer's pixels.
void RestorePlayBackground(Game& g);

}  // namespace kolvar
