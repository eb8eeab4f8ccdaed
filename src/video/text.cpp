#include "video/text.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <stdexcept>
#include <string>

#include "core/font_data.h"

namespace kolvar {

namespace {

const FontData& FontOfSize(int pixel_size) {
  for (const FontData& font : EmbeddedFonts()) {
    if (font.pixel_size == pixel_size) return font;
  }
  throw std::invalid_argument("no " + std::to_string(pixel_size) + " px font is compiled in");
}

// The glyph a byte of the text is drawn with; none for the bytes that go on
// a UTF-8 sequence, so the sequence shows as one '?'.
const GlyphData* GlyphOf(const FontData& font, unsigned char byte) {
  if (byte >= 0x80 && byte < 0xC0) return nullptr;
  if (byte < kFirstGlyph || byte >= kFirstGlyph + kGlyphCount) byte = '?';
  return &font.glyphs[byte - kFirstGlyph];
}

// Where a line's bitmap lies: the pen starts `origin_x` columns right of its
// left edge, the baseline is `origin_y + ascent` rows below its top.
struct LineBox {
  int origin_x = 0;
  int origin_y = 0;
  int width = 0;
  int height = 0;
};

// Every glyph's box at its pen position, the pen's final position, and at
// least the font's height from the top: SDL_ttf's measure of a line.
LineBox MeasureLine(const FontData& font, std::string_view text) {
  int pen = 0, min_x = 0, max_x = 0, min_y = 0, max_y = font.height;
  for (const char c : text) {
    const GlyphData* glyph = GlyphOf(font, static_cast<unsigned char>(c));
    if (!glyph) continue;
    const int left = pen + glyph->left, top = font.ascent - glyph->top;
    min_x = std::min(min_x, left);
    max_x = std::max(max_x, left + glyph->width);
    min_y = std::min(min_y, top);
    max_y = std::max(max_y, top + glyph->rows);
    pen += glyph->advance;
  }
  max_x = std::max(max_x, pen);
  return {-min_x, -min_y, max_x - min_x, max_y - min_y};
}

// Calls plot(x, y) for each covered pixel of the line, in the line bitmap's
// coordinates. Glyphs that overlap cover the union of their pixels. A line
// of no width draws nothing, as SDL_ttf renders no such line.
template <typename Plot>
void PlotLine(const FontData& font, std::string_view text, const LineBox& box, Plot plot) {
  if (box.width == 0) return;
  int pen = box.origin_x;
  for (const char c : text) {
    const GlyphData* glyph = GlyphOf(font, static_cast<unsigned char>(c));
    if (!glyph) continue;
    const int left = pen + glyph->left;
    const int top = box.origin_y + font.ascent - glyph->top;
    const uint32_t* ink = font.ink + glyph->first_row;
    for (int row = 0; row < glyph->rows; ++row) {
      for (uint32_t bits = ink[row]; bits != 0; bits &= bits - 1) {
        plot(left + std::countr_zero(bits), top + row);
      }
    }
    pen += glyph->advance;
  }
}

}  // namespace

int FontPixelSize(int points) {
  return static_cast<int>(std::lround(points * 96.0 / 72.0));
}

TextBitmap RenderTextLine(std::string_view text, int pixel_size) {
  const FontData& font = FontOfSize(pixel_size);
  const LineBox box = MeasureLine(font, text);
  TextBitmap bitmap;
  if (box.width == 0) return bitmap;
  bitmap.width = box.width;
  bitmap.height = box.height;
  bitmap.coverage.assign(static_cast<size_t>(box.width) * box.height, 0);
  PlotLine(font, text, box,
           [&](int x, int y) { bitmap.coverage[static_cast<size_t>(y) * box.width + x] = 1; });
  return bitmap;
}

void PrintText(Surface& surface, int x, int y, std::string_view text, int points) {
  const FontData& font = FontOfSize(FontPixelSize(points));
  PlotLine(font, text, MeasureLine(font, text),
           [&](int px, int py) { surface.SetPixel(x + px, y + py, kWhite); });
}

void PrintOutlinedText(Surface& surface, int x, int y, std::string_view text, int points,
                       uint32_t outline) {
  const FontData& font = FontOfSize(FontPixelSize(points));
  const LineBox box = MeasureLine(font, text);
  PlotLine(font, text, box, [&](int px, int py) {
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) surface.SetPixel(x + px + dx, y + py + dy, outline);
    }
  });
  PlotLine(font, text, box, [&](int px, int py) { surface.SetPixel(x + px, y + py, kWhite); });
}

int TextLineWidth(std::string_view text, int pixel_size) {
  return MeasureLine(FontOfSize(pixel_size), text).width;
}

}  // namespace kolvar
