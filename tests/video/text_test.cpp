#include "video/text.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "support/test_game.h"

namespace kolvar {
namespace {

using testing::Filled;

constexpr uint32_t kGround = 0x123456;

// PrintText draws the line bitmap with its top-left at (x, y): white where it
// covers, the surface untouched elsewhere, clipped at every edge.
// PrintOutlinedText does the same and paints every other pixel touching a
// covered one (the eight around it) in the outline colour. TextLineWidth is
// the bitmap's width.
TEST(PrintText, DrawsTheLineBitmapAtXYAndNothingElse) {
  constexpr uint32_t kOutline = 0x010203;
  struct Case {
    const char* text;
    int points, x, y;
    bool outlined;
    int surface_width = 320;
  } cases[] = {
      {"SCORE 01230          TIME 087", kSmallFontPoints, 5, 4, false},
      {"Please Hit Z Key ", kLargeFontPoints, 90, 120, false},
      {"Jj_|{}@W", kLargeFontPoints, -6, -9, false},    // off the left and the top
      {"Jj_|{}@W", kSmallFontPoints, 290, 232, false},  // off the right and the bottom
      {"SCORE 01230          TIME 087", kSmallFontPoints, 5, 4, true},
      {"Jj_|{}@W", kLargeFontPoints, -6, -9, true},
      {"Jj_|{}@W", kSmallFontPoints, 290, 232, true},
      // Lines wider than the 512 columns the painter takes at a time.
      {"Wide lines are painted in pieces, and each piece meets the next one", kLargeFontPoints, -20,
       100, true, 1200},
      {"Wide lines are painted in pieces, and each piece meets the next one", kLargeFontPoints, -20,
       100, false, 1200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + (c.outlined ? " outlined" : ""));
    Surface surface = Filled(c.surface_width, 240, kGround);
    if (c.outlined) {
      PrintOutlinedText(surface, c.x, c.y, c.text, c.points, kOutline);
    } else {
      PrintText(surface, c.x, c.y, c.text, c.points);
    }
    const TextBitmap line = RenderTextLine(c.text, FontPixelSize(c.points));
    ASSERT_GT(line.width, 0);
    EXPECT_EQ(TextLineWidth(c.text, FontPixelSize(c.points)), line.width);
    const auto covered = [&](int x, int y) {
      const int col = x - c.x, row = y - c.y;
      return col >= 0 && row >= 0 && col < line.width && row < line.height &&
             line.coverage[static_cast<size_t>(row) * line.width + col] != 0;
    };
    int white = 0, outline = 0;
    for (int y = 0; y < surface.height(); ++y) {
      for (int x = 0; x < surface.width(); ++x) {
        bool touches = false;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) touches = touches || covered(x + dx, y + dy);
        }
        const uint32_t want = covered(x, y) ? kWhite : (c.outlined && touches) ? kOutline : kGround;
        ASSERT_EQ(surface.Pixel(x, y), want) << x << ", " << y;
        white += want == kWhite;
        outline += want == kOutline;
      }
    }
    EXPECT_GT(white, 10);
    if (c.outlined) {
      EXPECT_GT(outline, white / 2);
    }
  }
}

TEST(RenderTextLine, OutsidePrintableAsciiShowsAQuestionMarkPerCharacter) {
  const struct {
    const char* text;
    const char* shown;
  } cases[] = {{"\xC3\xA4x", "?x"}, {"a\tb", "a?b"}, {"\x7F", "?"}, {"\xE2\x82\xAC!", "?!"}};
  for (const auto& c : cases) {
    const TextBitmap got = RenderTextLine(c.text, 19), want = RenderTextLine(c.shown, 19);
    EXPECT_EQ(got.width, want.width) << c.shown;
    EXPECT_EQ(got.coverage, want.coverage) << c.shown;
  }
}

TEST(RenderTextLine, EmptyTextIsAnEmptyBitmapAndOnlyTheGamesSizesExist) {
  EXPECT_EQ(FontPixelSize(kSmallFontPoints), 12);
  EXPECT_EQ(FontPixelSize(kLargeFontPoints), 19);
  const TextBitmap empty = RenderTextLine("", 12);
  EXPECT_EQ(empty.width, 0);
  EXPECT_EQ(empty.height, 0);
  EXPECT_TRUE(empty.coverage.empty());
  EXPECT_THROW(RenderTextLine("A", 13), std::invalid_argument);
}

}  // namespace
}  // namespace kolvar
