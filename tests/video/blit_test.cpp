#include "video/blit.h"

#include <gtest/gtest.h>

#include "support/test_game.h"

namespace kolvar {
namespace {

using testing::Filled;

// Counts the pixels of `s` equal to `colour`.
int Count(const Surface& s, uint32_t colour) {
  int n = 0;
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) n += s.Pixel(x, y) == colour;
  return n;
}

TEST(Blit, RasterOperationsCombinePerBit) {
  const Surface src = Filled(2, 2, 0x0F0F0F);
  Surface copy = Filled(2, 2, 0xF0F0F0);
  Surface anded = Filled(2, 2, 0xFF00FF);
  Surface ored = Filled(2, 2, 0xF00000);
  Blit(copy, 0, 0, 2, 2, src, 0, 0, RasterOp::kCopy);
  Blit(anded, 0, 0, 2, 2, src, 0, 0, RasterOp::kAnd);
  Blit(ored, 0, 0, 2, 2, src, 0, 0, RasterOp::kOr);
  EXPECT_EQ(copy.Pixel(1, 1), 0x0F0F0Fu);
  EXPECT_EQ(anded.Pixel(1, 1), 0x0F000Fu);
  EXPECT_EQ(ored.Pixel(1, 1), 0xFF0F0Fu);
}

TEST(Blit, EveryOperationClipsAtEachEdgeOfTheDestination) {
  const Surface src = Filled(8, 8, kWhite);
  struct Case {
    int dx, dy, expected;
  } cases[] = {
      {-6, 0, 2 * 8},  // off the left edge: two columns remain
      {6, 0, 4 * 8},   // off the right edge of a 10-wide surface
      {0, -5, 8 * 3},  // off the top
      {0, 7, 8 * 3},   // off the bottom of a 10-high surface
      {-7, -7, 1},     // only the corner pixel
      {10, 0, 0},      // entirely outside
  };
  for (RasterOp op : {RasterOp::kCopy, RasterOp::kAnd, RasterOp::kOr}) {
    for (const Case& c : cases) {
      // AND needs a white destination to show where it wrote; use black
      // sources for it and count black.
      Surface dst = Filled(10, 10, op == RasterOp::kAnd ? kWhite : kBlack);
      const Surface black = Filled(8, 8, kBlack);
      Blit(dst, c.dx, c.dy, 8, 8, op == RasterOp::kAnd ? black : src, 0, 0, op);
      EXPECT_EQ(Count(dst, op == RasterOp::kAnd ? kBlack : kWhite), c.expected)
          << "op " << static_cast<int>(op) << " at " << c.dx << "," << c.dy;
    }
  }
}

TEST(Blit, SourceRectangleOutsideTheSourceIsNeverRead) {
  const Surface src = Filled(4, 4, kWhite);
  Surface dst = Filled(10, 10, kBlack);
  Blit(dst, 0, 0, 10, 10, src, 2, 2);
  EXPECT_EQ(Count(dst, kWhite), 4);  // only the 2 x 2 that lies inside the source
  EXPECT_EQ(dst.Pixel(1, 1), kWhite);
  EXPECT_EQ(dst.Pixel(2, 2), kBlack);
  Blit(dst, 0, 0, 4, 4, src, -2, 0);
  EXPECT_EQ(dst.Pixel(0, 3), kBlack);
  EXPECT_EQ(dst.Pixel(2, 3), kWhite);
}

TEST(MaskedDraw, BackgroundShowsExactlyWhereTheMaskIsWhite) {
  // A 2 x 1 sprite: image at (0, 0), mask at (0, 1). Left pixel opaque red,
  // right pixel transparent.
  Surface sheet(2, 2);
  sheet.SetPixel(0, 0, 0xFF0000);
  sheet.SetPixel(1, 0, kBlack);
  sheet.SetPixel(0, 1, kBlack);
  sheet.SetPixel(1, 1, kWhite);
  for (uint32_t background : {0x123456u, kWhite, kBlack, 0x00FF00u}) {
    Surface dst = Filled(4, 1, background);
    MaskedDraw(dst, 1, 0, 2, 1, sheet, 0, 0, 0, 1);
    EXPECT_EQ(dst.Pixel(0, 0), background);
    EXPECT_EQ(dst.Pixel(1, 0), 0xFF0000u);
    EXPECT_EQ(dst.Pixel(2, 0), background);
  }
}

TEST(Surface, ClearPixelSetAndReadsOutsideAreSafe) {
  Surface s(3, 3, kBlue);
  s.SetPixel(1, 1, kWhite);
  s.SetPixel(-1, 0, kWhite);
  s.SetPixel(3, 3, kWhite);
  EXPECT_EQ(Count(s, kWhite), 1);
  EXPECT_EQ(s.Pixel(5, 5), kBlack);
  s.Clear();
  EXPECT_EQ(Count(s, kBlue), 9);
}

}  // namespace
}  // namespace kolvar
