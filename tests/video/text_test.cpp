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
TEST(PrintText, DrawsTheLineBitmapAtXYAndNothingElse) {
  struct Case {
    const char* text;
    int points, x, y;
  } cases[] = {
      {"SCORE 01230          TIME 087", kSmallFontPoints, 5, 4},
      {"Please Hit Z Key ", kLargeFontPoints, 90, 120},
      {"Jj_|{}@W", kLargeFontPoints, -6, -9},    // off the left and the top
      {"Jj_|{}@W", kSmallFontPoints, 290, 232},  // off the right and the bottom
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Surface surface = Filled(320, 240, kGround);
    PrintText(surface, c.x, c.y, c.text, c.points);
    const TextBitmap line = RenderTextLine(c.text, FontPixelSize(c.points));
    ASSERT_GT(line.width, 0);
    int white = 0;
    for (int y = 0; y < surface.height(); ++y) {
      for (int x = 0; x < surface.width(); ++x) {
        const int col = x - c.x, row = y - c.y;
        const bool covered = col >= 0 && row >= 0 && col < line.width && row < line.height &&
                             line.coverage[static_cast<size_t>(row) * line.width + col] != 0;
        ASSERT_EQ(surface.Pixel(x, y), covered ? kWhite : kGround) << x << ", " << y;
        white += covered;
      }
    }
    EXPECT_GT(white, 10);
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
