// Showing a frame: what has been drawn onto the screen surface Crt becomes
// visible in the window only here.
#pragma once

#include "core/game.h"

namespace kolvar {

inline void ShowScreen(Game& game) {
  game.platform->Show({game.Crt.data(), game.Crt.width(), game.Crt.height()});
}

}  // namespace kolvar
