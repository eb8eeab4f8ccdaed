// Letting the window process its pending events: the once-a-second music
// timer and the close request run here and nowhere else.
#pragma once

#include "core/game.h"

namespace kolvar {

inline constexpr uint32_t kMusicTimerPeriod = 1000;

// Processes pending window events. Fires the music timer for every full
// second since it last fired. On a close request it stops the music and
// throws CloseRequested, which unwinds out of whatever wait was running.
void ProcessEvents(Game& game);

}  // namespace kolvar
