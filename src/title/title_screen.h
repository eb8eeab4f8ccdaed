// The title screen that runs before every game and chooses its first stage:
// the intro, the floor fading in behind the logo, the Start/Continue menu
// over a floor scrolling sideways, and the fade to black.
#pragma once

#include "core/game.h"

namespace kolvar {

// Runs the title until Z chooses an entry, then fades out. On return
// StageNumber is 1 for Start or ContinueStage for Continue, "title.mid" plays
// in a loop, Crt shows the faded picture and B_Crt is black. There is no
// way out but a choice (or closing the window).
void TitleScreen(Game& game);

}  // namespace kolvar
