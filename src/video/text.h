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

// As PrintText, with every pixel touching a glyph pixel (the eight around
// it) first painted `outline`: white text stays readable over any picture.
void PrintOutlinedText(Surface& surface, int x, int y, std::string_view text, int points,
                       uint32_t outline = kBlack);

// The width of the line's bitmap at a pixel size (RenderTextLine's width),
// without drawing it.
int TextLineWidth(std::string_view text, int pixel_size);

}  // namespace kolvar
