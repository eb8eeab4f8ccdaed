// Text on a surface: white glyphs over whatever the surface holds.
#pragma once

#include <string_view>

#include "platform/platform.h"
#include "video/blit.h"

namespace kolvar {

// The two font sizes the game prints with, in points at 96 dpi.
inline constexpr int kSmallFontPoints = 9;
inline constexpr int kLargeFontPoints = 14;

// Pixel height of the em square for a point size at 96 dpi (9 -> 12, 14 -> 19).
int FontPixelSize(int points);

// Prints `text` with the top-left of its first character at (x, y); only the
// glyphs' pixels change.
void PrintText(Platform& platform, Surface& surface, int x, int y, std::string_view text,
               int points);

}  // namespace kolvar
