// Cross-fade of one rectangle toward another: the building block of every
// fade in the game.
#pragma once

#include "video/blit.h"

namespace kolvar {

// The destination rectangle becomes `percent` % of the source rectangle and
// (100 - percent) % of what it held. A percentage outside 0..100 draws
// nothing. Rounding is exact and repeatable: the fractions are single
// precision, the mix is evaluated in double precision and rounded to the
// nearest integer with ties to even, so six 40 % blends of white over black
// give 102, 163, 200, 222, 235, 243.
void BlendRect(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx, int sy,
               float percent);

}  // namespace kolvar
