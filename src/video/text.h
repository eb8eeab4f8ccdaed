// Text on a surface: white glyphs over whatever the surface holds, drawn from
// the glyphs compiled into the program (core/font_data.h).
#pragma once

#include <string_view>

#include "core/surface.h"
#include "platform/platform.h"

namespace kolvar {

// The two font sizes the game prints with, in points at 96 dpi.
inline constexpr int kSmallFontPoints = 9;
inline constexpr int kLargeFontPoints = 14;

// Pixel height of the em square for a point size at 96 dpi (9 -> 12, 14 -> 19).
int FontPixelSize(int points);

// The line of `text` at a pixel size (12 or 19; any other throws
// std::invalid_argument), pixel for pixel as SDL_ttf's solid rendering of
// DejaVu Sans with monochrome hinting makes it: glyphs on whole-pixel
// advances, the bitmap as wide as the glyphs' boxes and the pen's end reach
// and at least the font's height tall. Empty text gives an empty bitmap.
// Characters outside printable ASCII show as '?' (a UTF-8 sequence as one).
TextBitmap RenderTextLine(std::string_view text, int pixel_size);

// Prints `text` with the top-left of its line bitmap at (x, y); only the
// glyphs' pixels change. Draws straight from the glyphs, allocating nothing.
void PrintText(Surface& surface, int x, int y, std::string_view text, int points);

}  // namespace kolvar
