#include "font_raster.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace fontc {
namespace {

struct TtfLibrary {
  TtfLibrary() {
    if (TTF_Init() != 0) throw FontError(std::string("cannot start SDL_ttf: ") + TTF_GetError());
  }
  ~TtfLibrary() { TTF_Quit(); }
};

struct CloseFont {
  void operator()(TTF_Font* font) const { TTF_CloseFont(font); }
};
struct FreeSurface {
  void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};

std::string Describe(int c, int pixel_size) {
  char text[48];
  std::snprintf(text, sizeof text, "glyph '%c' at %d px", c, pixel_size);
  return text;
}

// Reads one glyph: its box and advance from SDL_ttf's metrics, its ink from
// SDL_ttf's own rendering of the glyph alone on a line. The line is laid out
// as every line is (see video/text.cpp): its left edge at the leftmost of the
// box and the pen's start, its top at the higher of the box's top and the
// ascent, so the ink's place in the box follows.
Glyph ReadGlyph(TTF_Font* font, const std::string& path, int c, int pixel_size, int ascent,
                int height) {
  int min_x = 0, max_x = 0, min_y = 0, max_y = 0, advance = 0;
  if (TTF_GlyphMetrics32(font, static_cast<Uint32>(c), &min_x, &max_x, &min_y, &max_y, &advance) !=
      0) {
    throw FontError(path + ": " + Describe(c, pixel_size) + ": " + TTF_GetError());
  }
  Glyph glyph;
  glyph.left = min_x;
  glyph.top = max_y;
  glyph.width = max_x - min_x;
  glyph.rows = max_y - min_y;
  // SDL_ttf places glyphs where HarfBuzz puts them, and it shapes naming no
  // script: DejaVu Sans's kerning of ASCII pairs belongs to the Latin script,
  // so no glyph moves off the pen. With monochrome hinting every advance is a
  // whole pixel, the one the metrics give. (tests/platform/sdl/game_text_test
  // holds the game's lines to SDL_ttf's.)
  glyph.advance = advance;
  if (glyph.width > 32) throw FontError(path + ": " + Describe(c, pixel_size) + " is too wide");
  glyph.ink.assign(static_cast<size_t>(std::max(glyph.rows, 0)), 0);

  const char line[2] = {static_cast<char>(c), '\0'};
  std::unique_ptr<SDL_Surface, FreeSurface> drawn(
      TTF_RenderUTF8_Solid(font, line, SDL_Color{255, 255, 255, 255}));
  if (!drawn) throw FontError(path + ": " + Describe(c, pixel_size) + ": " + TTF_GetError());
  const int origin_x = std::max(0, -glyph.left);
  const int origin_y = std::max(0, glyph.top - ascent);
  const int line_width = std::max({glyph.left + glyph.width, advance, 0}) + origin_x;
  const int line_height = std::max(height, ascent - glyph.top + glyph.rows) + origin_y;
  if (drawn->w != line_width || drawn->h != line_height) {
    throw FontError(path + ": " + Describe(c, pixel_size) + ": SDL_ttf drew it " +
                    std::to_string(drawn->w) + " x " + std::to_string(drawn->h) +
                    ", its metrics make " + std::to_string(line_width) + " x " +
                    std::to_string(line_height));
  }
  SDL_LockSurface(drawn.get());
  for (int y = 0; y < drawn->h; ++y) {
    const auto* row = static_cast<const uint8_t*>(drawn->pixels) + y * drawn->pitch;
    for (int x = 0; x < drawn->w; ++x) {
      if (row[x] == 0) continue;
      const int col = x - origin_x - glyph.left;
      const int box_row = y - origin_y - (ascent - glyph.top);
      if (col < 0 || col >= glyph.width || box_row < 0 || box_row >= glyph.rows) {
        SDL_UnlockSurface(drawn.get());
        throw FontError(path + ": " + Describe(c, pixel_size) + " has ink outside its box");
      }
      glyph.ink[static_cast<size_t>(box_row)] |= uint32_t{1} << col;
    }
  }
  SDL_UnlockSurface(drawn.get());
  return glyph;
}

}  // namespace

std::vector<Font> RasteriseFont(const std::string& path, const std::vector<int>& pixel_sizes) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    throw FontError(path + ": font file not found (Debian and Ubuntu: install fonts-dejavu-core)");
  }
  TtfLibrary library;
  std::vector<Font> fonts;
  for (int pixel_size : pixel_sizes) {
    // At SDL_ttf's 72 dpi a point size is a pixel size.
    std::unique_ptr<TTF_Font, CloseFont> font(TTF_OpenFont(path.c_str(), pixel_size));
    if (!font) throw FontError(path + ": cannot open the font: " + TTF_GetError());
    TTF_SetFontHinting(font.get(), TTF_HINTING_MONO);
    Font out;
    out.pixel_size = pixel_size;
    out.ascent = TTF_FontAscent(font.get());
    out.height = TTF_FontHeight(font.get());
    for (int c = kFirstChar; c <= kLastChar; ++c) {
      out.glyphs.push_back(ReadGlyph(font.get(), path, c, pixel_size, out.ascent, out.height));
    }
    fonts.push_back(std::move(out));
  }
  return fonts;
}

}  // namespace fontc
