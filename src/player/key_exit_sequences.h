// Taking the key from the chest and opening the exit door. Each runs to its
// end inside the frame that started it, with its own pacing; enemies stand
// still meanwhile while the stage clock keeps running.
#pragma once

#include "core/game.h"

namespace kolvar {

// The chest opens, the key rises out of it, the chest turns to floor, the
// score grows by 100 + 2 x TimeLeft and the key is held.
void TakeKey(Game& game);

// Without the key nothing happens. With it the door opens, turns to floor,
// the music stops, the picture fades and the stage counts as cleared.
void OpenExit(Game& game);

}  // namespace kolvar
