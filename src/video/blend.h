// Cross-fade of one rectangle toward another: the building block of every
// fade in the game.
#pragma once

#include "video/blit.h"

namespace kolvar {

// The destination rectangle becomes `percent` % of the source rectangle and
// (100 - percent) % of what it held. A percentage outside 0..100 draws
// nothing. Rounding is exact and repeatable: the fraction f is the product
// percent x 0.01 taken in double precision and held in single precision,
// g = 1 - f in single precision, and each channel is source x f + dest x g
// rounded to the nearest integer with ties to even, so six 40 % blends of
// white over black give 102, 163, 200, 222, 235, 243.
//
// Whenever both fractions are whole multiples of 2^-30 (every whole
// percentage from 1 to 99) the mix is done in integers, four pixels at a
// time where SSE2 is there and eight where the processor has AVX2; 0 % and
// 100 % keep and copy, and 50 % averages bytes. The result is the same byte
// for byte.
void BlendRect(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx, int sy,
               float percent);

// The same blend evaluated one channel at a time in floating point, as the
// rule above reads. BlendRect falls back to it for fractions the integer
// form cannot hold exactly; benchmarks compare the two.
void BlendRectReference(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx,
                        int sy, float percent);

}  // namespace kolvar
