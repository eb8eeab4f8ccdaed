#include "video/text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <optional>
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

// Calls glyph_at(left, top, glyph) for each glyph of the line with its
// box's top-left in the line bitmap's coordinates. A line of no width draws
// nothing, as SDL_ttf renders no such line.
template <typename GlyphAt>
void ForEachGlyph(const FontData& font, std::string_view text, const LineBox& box,
                  GlyphAt glyph_at) {
  if (box.width == 0) return;
  int pen = box.origin_x;
  for (const char c : text) {
    const GlyphData* glyph = GlyphOf(font, static_cast<unsigned char>(c));
    if (!glyph) continue;
    glyph_at(pen + glyph->left, box.origin_y + font.ascent - glyph->top, *glyph);
    pen += glyph->advance;
  }
}

// Calls plot(x, y) for each covered pixel of the line, in the line bitmap's
// coordinates. Glyphs that overlap cover the union of their pixels.
template <typename Plot>
void PlotLine(const FontData& font, std::string_view text, const LineBox& box, Plot plot) {
  ForEachGlyph(font, text, box, [&](int left, int top, const GlyphData& glyph) {
    const uint32_t* ink = font.ink + glyph.first_row;
    for (int row = 0; row < glyph.rows; ++row) {
      for (uint32_t bits = ink[row]; bits != 0; bits &= bits - 1) {
        plot(left + std::countr_zero(bits), top + row);
      }
    }
  });
}

// The line is painted a tile at a time from bit masks of its ink, so that
// a glyph's pixels are looked at once per tile rather than once per pixel
// around them. A tile is at most kTileColumns x kTileRows pixels of the
// surface; its mask holds one more row and column on each side (bit n of a
// mask row is the tile's column n - 1), which the outline reads.
constexpr int kTileColumns = 512;
constexpr int kTileRows = 16;
constexpr int kMaskWords = (kTileColumns + 2 + 63) / 64;

struct TileMask {
  std::array<std::array<uint64_t, kMaskWords>, kTileRows + 2> rows;
};

// ORs `bits` (bit n: column n) into a mask row at bit `offset`, which may be
// negative or past the row: what falls outside is dropped.
void OrBits(std::array<uint64_t, kMaskWords>& row, int offset, uint64_t bits) {
  if (offset < 0) {
    if (offset <= -64) return;
    bits >>= -offset;
    offset = 0;
  }
  const int word = offset / 64, shift = offset % 64;
  if (word >= kMaskWords) return;
  row[static_cast<size_t>(word)] |= bits << shift;
  if (shift != 0 && word + 1 < kMaskWords)
    row[static_cast<size_t>(word) + 1] |= bits >> (64 - shift);
}

// Bit n of the multi-word row shifted one place: toward higher bits (up)
// or lower bits.
uint64_t ShiftedUp(const std::array<uint64_t, kMaskWords>& row, int word) {
  return row[static_cast<size_t>(word)] << 1 |
         (word > 0 ? row[static_cast<size_t>(word) - 1] >> 63 : 0);
}
uint64_t ShiftedDown(const std::array<uint64_t, kMaskWords>& row, int word) {
  return row[static_cast<size_t>(word)] >> 1 |
         (word + 1 < kMaskWords ? row[static_cast<size_t>(word) + 1] << 63 : 0);
}

// Paints the pixels whose bit is set, bit n of word w at column
// first + 64 w + n - 1 of `row`, for bits 1 .. columns.
void PaintBits(uint32_t* row, int first, const std::array<uint64_t, kMaskWords>& bits, int columns,
               uint32_t colour) {
  for (int w = 0; w < kMaskWords; ++w) {
    uint64_t word = bits[static_cast<size_t>(w)];
    const int low = 64 * w;  // the word's bit 0 as a bit of the row
    if (low == 0) word &= ~uint64_t{1};
    const int past = columns + 1 - low;  // the first bit after the tile's columns
    if (past <= 0) break;
    if (past < 64) word &= (uint64_t{1} << past) - 1;
    for (; word != 0; word &= word - 1) row[first + low + std::countr_zero(word) - 1] = colour;
  }
}

// Paints the line with its bitmap's top-left at (x, y): its ink `ink`,
// and with `outline` every other pixel touching the ink (the eight around an
// ink pixel), clipped to the surface.
void PaintLine(Surface& surface, int x, int y, const FontData& font, std::string_view text,
               const LineBox& box, uint32_t ink, std::optional<uint32_t> outline) {
  if (box.width == 0) return;
  const int spread = outline ? 1 : 0;
  // The part of the surface the line can change, in surface coordinates.
  const int left = std::max(x - spread, 0),
            right = std::min(x + box.width + spread, surface.width());
  const int top = std::max(y - spread, 0),
            bottom = std::min(y + box.height + spread, surface.height());
  if (left >= right || top >= bottom) return;
  uint32_t* pixels = surface.data_within(left, top, right, bottom);
  TileMask mask;
  for (int tile_y = top; tile_y < bottom; tile_y += kTileRows) {
    const int tile_rows = std::min(kTileRows, bottom - tile_y);
    for (int tile_x = left; tile_x < right; tile_x += kTileColumns) {
      const int tile_columns = std::min(kTileColumns, right - tile_x);
      const int words = (tile_columns + 2 + 63) / 64;  // those the tile's mask rows use
      // The ink of the tile and of its one-pixel border: mask row r is
      // surface row tile_y + r - 1, bit n surface column tile_x + n - 1.
      for (int r = 0; r < tile_rows + 2; ++r) {
        std::fill_n(mask.rows[static_cast<size_t>(r)].begin(), words, 0);
      }
      ForEachGlyph(font, text, box, [&](int glyph_left, int glyph_top, const GlyphData& glyph) {
        const uint32_t* glyph_ink = font.ink + glyph.first_row;
        const int offset = x + glyph_left - tile_x + 1;
        if (offset >= kTileColumns + 2 || offset <= -32) return;
        for (int row = 0; row < glyph.rows; ++row) {
          const int r = y + glyph_top + row - tile_y + 1;
          if (r < 0 || r >= tile_rows + 2) continue;
          OrBits(mask.rows[static_cast<size_t>(r)], offset, glyph_ink[row]);
        }
      });
      for (int r = 1; r <= tile_rows; ++r) {
        uint32_t* row = pixels + static_cast<std::ptrdiff_t>(tile_y + r - 1) * surface.width();
        const auto& here = mask.rows[static_cast<size_t>(r)];
        if (outline) {
          const auto& above = mask.rows[static_cast<size_t>(r) - 1];
          const auto& below = mask.rows[static_cast<size_t>(r) + 1];
          std::array<uint64_t, kMaskWords> near{}, touching{};
          for (int w = 0; w < words; ++w) {
            const auto i = static_cast<size_t>(w);
            near[i] = above[i] | here[i] | below[i];
          }
          for (int w = 0; w < words; ++w) {
            touching[static_cast<size_t>(w)] =
                (near[static_cast<size_t>(w)] | ShiftedUp(near, w) | ShiftedDown(near, w)) &
                ~here[static_cast<size_t>(w)];
          }
          PaintBits(row, tile_x, touching, tile_columns, *outline);
        }
        PaintBits(row, tile_x, here, tile_columns, ink);
      }
    }
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
  PaintLine(surface, x, y, font, text, MeasureLine(font, text), kWhite, std::nullopt);
}

void PrintOutlinedText(Surface& surface, int x, int y, std::string_view text, int points,
                       uint32_t outline) {
  const FontData& font = FontOfSize(FontPixelSize(points));
  PaintLine(surface, x, y, font, text, MeasureLine(font, text), kWhite, outline);
}

int TextLineWidth(std::string_view text, int pixel_size) {
  return MeasureLine(FontOfSize(pixel_size), text).width;
}

}  // namespace kolvar
