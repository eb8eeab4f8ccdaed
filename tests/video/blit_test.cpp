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

// Pixel by pixel, as the raster operations read: the reference for the
// row-at-a-time forms.
uint32_t Expected(const Surface& before, const Surface& sheet, int dx, int dy, int w, int h, int ix,
                  int iy, int mx, int my, int x, int y) {
  const int u = x - dx, v = y - dy;
  if (u < 0 || v < 0 || u >= w || v >= h) return before.Pixel(x, y);
  uint32_t pixel = before.Pixel(x, y);
  if (sheet.Contains(mx + u, my + v)) pixel &= sheet.Pixel(mx + u, my + v);
  if (sheet.Contains(ix + u, iy + v)) pixel |= sheet.Pixel(ix + u, iy + v);
  return pixel;
}

TEST(MaskedDraw, EqualsTheAndCopyThenTheOrCopyAtEveryWidthAndClip) {
  Surface sheet(40, 12);
  uint32_t seed = 12345;
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 40; ++x) {
      seed = seed * 1103515245 + 12345;
      sheet.SetPixel(x, y, seed >> 8 & 0xFFFFFF);
    }
  }
  // Widths across the four-pixel steps, rectangles hanging over each edge,
  // and a mask whose rectangle the sheet clips differently from the image.
  const struct {
    int dx, dy, w, h, ix, iy, mx, my;
  } cases[] = {
      {0, 0, 1, 1, 0, 0, 20, 0},    {3, 2, 7, 5, 0, 0, 20, 0},   {-2, 1, 9, 4, 1, 2, 21, 2},
      {10, -3, 13, 6, 0, 5, 20, 5}, {12, 4, 10, 8, 4, 3, 24, 3}, {3, 2, 12, 5, 0, 0, 32, 0},
  };
  for (const auto& c : cases) {
    Surface dst(20, 10);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 20; ++x)
        dst.SetPixel(x, y, static_cast<uint32_t>(x * 0x0A0B0C + y * 0x112233));
    const Surface before = dst;
    MaskedDraw(dst, c.dx, c.dy, c.w, c.h, sheet, c.ix, c.iy, c.mx, c.my);
    for (int y = 0; y < 10; ++y) {
      for (int x = 0; x < 20; ++x) {
        ASSERT_EQ(dst.Pixel(x, y),
                  Expected(before, sheet, c.dx, c.dy, c.w, c.h, c.ix, c.iy, c.mx, c.my, x, y))
            << "case at " << c.dx << "," << c.dy << " width " << c.w << ", pixel " << x << "," << y;
      }
    }
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
