// Showing a frame: what has been drawn onto the screen surface Crt becomes
// visible in the window only here.
#pragma once

#include "core/game.h"

namespace kolvar {

inline void ShowScreen(Game& game) {
  // Read only: showing draws nothing on the screen surface.
  const Surface& screen = game.Crt;
  game.platform->Show({screen.data(), screen.width(), screen.height()});
}

}  // namespace kolvar
