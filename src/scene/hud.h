// The numbers on the screen: score, stage clock, lives and key in play; the
// hi-score line on the title.
#pragma once

#include <string>

#include "core/game.h"

namespace kolvar {

// Decimal value padded with leading zeros to at least `digits` digits.
std::string ZeroPadded(int32_t value, int digits);

// "SCORE 01230          TIME 087" outlined in black, the life icons running left from x 300
// and, while the key is held, the key icon.
void DrawHud(Game& game);

// "HISCORE 04560" at the top of the title screen.
void DrawHiScore(Game& game);

}  // namespace kolvar
