#include "video/blend.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/test_game.h"

namespace kolvar {
namespace {

using testing::Filled;

TEST(BlendRect, RepeatedFortyPercentBlendsOfWhiteOverBlackFollowTheExactSequence) {
  Surface dst = Filled(320, 240, kBlack);
  const Surface src = Filled(320, 240, kWhite);
  const std::vector<uint32_t> expected = {102, 163, 200, 222, 235, 243};
  for (uint32_t value : expected) {
    BlendRect(dst, 0, 0, 320, 240, src, 0, 0, 40);
    EXPECT_EQ(dst.Pixel(0, 0), value << 16 | value << 8 | value);
    EXPECT_EQ(dst.Pixel(319, 239), dst.Pixel(0, 0));
  }
}

TEST(BlendRect, HalfBlendRoundsTiesToEven) {
  Surface dst = Filled(3, 1, kBlack);
  Surface src(3, 1);
  src.SetPixel(0, 0, 0x010101);
  src.SetPixel(1, 0, 0x030303);
  src.SetPixel(2, 0, 0xFFFFFF);
  BlendRect(dst, 0, 0, 3, 1, src, 0, 0, 50);
  EXPECT_EQ(dst.Pixel(0, 0), 0x000000u);
  EXPECT_EQ(dst.Pixel(1, 0), 0x020202u);
  EXPECT_EQ(dst.Pixel(2, 0), 0x808080u);
}

TEST(BlendRect, TenPercentFractionIsTheDoubleProductHeldInSingle) {
  // Pairs that a fraction of 0.0999999940 would round one lower.
  struct Case {
    uint32_t source, dest, expected;
  } const cases[] = {{5, 0, 1}, {255, 0, 26}, {26, 1, 4}, {254, 9, 34}, {255, 10, 35}};
  for (const Case& c : cases) {
    Surface dst = Filled(1, 1, c.dest * 0x010101);
    const Surface src = Filled(1, 1, c.source * 0x010101);
    BlendRect(dst, 0, 0, 1, 1, src, 0, 0, 10);
    EXPECT_EQ(dst.Pixel(0, 0), c.expected * 0x010101) << c.source << " over " << c.dest;
  }
}

TEST(BlendRect, ChannelsBlendIndependently) {
  Surface dst = Filled(1, 1, 0x00FF00);
  const Surface src = Filled(1, 1, 0xFF0000);
  BlendRect(dst, 0, 0, 1, 1, src, 0, 0, 50);
  EXPECT_EQ(dst.Pixel(0, 0), 0x808000u);
}

TEST(BlendRect, ZeroKeepsAndHundredCopiesAndOutOfRangeDrawsNothing) {
  const Surface src = Filled(4, 4, 0x123456);
  Surface dst = Filled(4, 4, 0xABCDEF);
  BlendRect(dst, 0, 0, 4, 4, src, 0, 0, 0);
  EXPECT_EQ(dst.Pixel(2, 2), 0xABCDEFu);
  for (float percent : {-1.0f, 101.0f}) {
    BlendRect(dst, 0, 0, 4, 4, src, 0, 0, percent);
    EXPECT_EQ(dst.Pixel(2, 2), 0xABCDEFu) << percent;
  }
  BlendRect(dst, 0, 0, 4, 4, src, 0, 0, 100);
  EXPECT_EQ(dst.Pixel(2, 2), 0x123456u);
}

TEST(BlendRect, AnyWidthAndClippedRectangles) {
  // Widths whose three-byte rows are not a multiple of four blend like any other.
  Surface dst = Filled(7, 3, kBlack);
  const Surface src = Filled(7, 3, kWhite);
  BlendRect(dst, 0, 0, 7, 3, src, 0, 0, 40);
  EXPECT_EQ(dst.Pixel(6, 2), 0x666666u);
  // A rectangle hanging over the edges blends only what lies inside both.
  Surface small = Filled(4, 4, kBlack);
  const Surface white = Filled(8, 8, kWhite);
  BlendRect(small, 2, 2, 5, 5, white, 0, 0, 100);
  EXPECT_EQ(small.Pixel(1, 1), kBlack);
  EXPECT_EQ(small.Pixel(3, 3), kWhite);
  BlendRect(small, -3, -3, 4, 4, white, 0, 0, 100);
  EXPECT_EQ(small.Pixel(0, 0), kWhite);
  EXPECT_EQ(small.Pixel(1, 0), kBlack);
}

}  // namespace
}  // namespace kolvar
