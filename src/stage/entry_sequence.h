// The opening of every stage: the banner with the stage number over the map,
// the player walking out of the start door, the door closing behind it and
// the banner fading away. No key is read meanwhile; the stage clock runs.
#pragma once

#include "core/game.h"
#include "core/player_geometry.h"

namespace kolvar {

// The walk out of the door: this many steps to the right, which no wall
// stops.
inline constexpr int kEntryWalkSteps = 6;
inline constexpr int32_t kEntryWalkPixels = kEntryWalkSteps * kWalkStepPixels;

// "Stage" and the two digits of StageNumber, drawn onto Crt.
void DrawStageBanner(Game& game);

// The whole sequence; leaves the bare map view in B_Crt, the start door's
// cell as floor and the player 24 pixels right of the door facing down.
void RunEntrySequence(Game& game);

}  // namespace kolvar
