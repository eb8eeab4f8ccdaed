// The game's text glyphs compiled into the program: DejaVu Sans at the two
// pixel sizes the game prints with, drawn at build time by tools/fontc with
// SDL_ttf's monochrome hinting. video/text lays lines out from them.
#pragma once

#include <cstdint>
#include <span>

namespace kolvar {

// Glyphs run from ' ' to '~', printable ASCII.
inline constexpr int kFirstGlyph = ' ';
inline constexpr int kGlyphCount = 95;

struct GlyphData {
  // The glyph's box from the pen position on the baseline: `left` columns to
  // the right (negative: to the left) and `top` rows up.
  int8_t left;
  int8_t top;
  uint8_t width;
  uint8_t rows;
  uint8_t advance;  // whole pixels the pen moves on
  // The box's first row in FontData::ink; the glyph's ink lies inside its box.
  uint16_t first_row;
};

struct FontData {
  int pixel_size;
  int ascent;               // rows from a line's top to its baseline
  int height;               // the least height of a line
  const GlyphData* glyphs;  // kGlyphCount
  // One mask per glyph row; bit n set: column n of the box is covered.
  const uint32_t* ink;
};

// One font per pixel size the game prints with (12 and 19).
std::span<const FontData> EmbeddedFonts();

}  // namespace kolvar
