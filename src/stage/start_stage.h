// Opening a stage: its files are read again on every start, so a stage
// restarted after a miss begins from the layout stored in them.
#pragma once

#include "core/game.h"

namespace kolvar {

inline constexpr int32_t kStageSeconds = 200;

// Loads stage StageNumber and places everything: special cells, player,
// enemies, flags, clock, view and music. Ends before the entry sequence.
void LoadStage(Game& game);

// LoadStage, then the entry sequence (banner, walk out, door closing).
void StartStage(Game& game);

}  // namespace kolvar
