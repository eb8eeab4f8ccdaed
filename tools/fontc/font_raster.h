// Draws the printable ASCII glyphs of a TrueType font with SDL_ttf, exactly
// as SDL_ttf's solid rendering with monochrome hinting places them on a line.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace fontc {

struct FontError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

inline constexpr int kFirstChar = ' ';
inline constexpr int kLastChar = '~';

struct Glyph {
  // The glyph's box from the pen position on the baseline: `left` columns to
  // the right, `top` rows up; `width` x `rows` pixels.
  int left = 0;
  int top = 0;
  int width = 0;
  int rows = 0;
  // Whole pixels the pen moves on after the glyph.
  int advance = 0;
  // One mask per row of the box, top to bottom; bit n: column n is covered.
  std::vector<uint32_t> ink;
};

struct Font {
  int pixel_size = 0;
  int ascent = 0;             // rows from a line's top to its baseline
  int height = 0;             // the least height of a line
  std::vector<Glyph> glyphs;  // kFirstChar to kLastChar
};

// One Font per pixel size. Throws FontError naming the font file when it is
// missing or cannot be drawn, or when a glyph's ink leaves its box.
std::vector<Font> RasteriseFont(const std::string& path, const std::vector<int>& pixel_sizes);

// The C++ source of the embedded fonts that src/core/font_data.h declares;
// `font_name` is named in its first line.
std::string EmitCpp(const std::vector<Font>& fonts, const std::string& font_name);

}  // namespace fontc
