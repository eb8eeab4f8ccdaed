// The radar: a blue-tinted panel in the lower right of the screen with
// blinking dots for the player and every enemy at an eighth of their map
// position.
#pragma once

#include "core/game.h"

namespace kolvar {

inline constexpr int kRadarLeft = 206;
inline constexpr int kRadarTop = 164;
inline constexpr int kRadarWidth = 104;
inline constexpr int kRadarHeight = 48;

// Nearest integer to v / 8, a half going to the even neighbour.
int32_t RadarScale(int32_t map_pixels);

// Tints the panel and, in 13 calls out of 16, draws the dots. Advances
// RadarBlink once per call.
void DrawRadar(Game& game);

}  // namespace kolvar
