#include "video/blend.h"

#include <gtest/gtest.h>

#include <cmath>
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

// The blend rule read word for word: f = percent x 0.01 in double, held in
// single precision; g = 1 - f in single; s x f + d x g in extended precision,
// rounded to nearest with ties to even.
uint32_t LiteralMix(uint32_t s, uint32_t d, int percent) {
  const float f = static_cast<float>(percent * 0.01);
  const float g = 1.0f - f;
  const long double mixed = static_cast<long double>(s) * f + static_cast<long double>(d) * g;
  return static_cast<uint32_t>(std::nearbyint(mixed));
}

// Every whole percentage and every pair of bytes, through the widest path
// (whole rows), the one-pixel path (strips three pixels wide) and strips 15
// wide, whose rows take eight, four and one pixels a step where the
// processor has each (a row of 256 never reaches the four-pixel path). Each
// channel takes the pairs in a different arrangement, so each channel of the
// pixel sees all 65,536 pairs.
TEST(BlendRect, EveryPercentAndEveryBytePairMatchTheLiteralRule) {
  Surface src(256, 256), dst(256, 256);
  for (uint32_t y = 0; y < 256; ++y) {
    for (uint32_t x = 0; x < 256; ++x) {
      src.SetPixel(int(x), int(y), (x ^ y) << 16 | y << 8 | x);
      dst.SetPixel(int(x), int(y), y << 16 | x << 8 | y);
    }
  }
  std::vector<uint32_t> mix(256 * 256);  // source * 256 + dest
  for (int percent = 0; percent <= 100; ++percent) {
    for (uint32_t i = 0; i < mix.size(); ++i) mix[i] = LiteralMix(i >> 8, i & 0xFF, percent);
    Surface expected = dst;
    for (uint32_t y = 0; y < 256; ++y) {
      for (uint32_t x = 0; x < 256; ++x) {
        expected.SetPixel(int(x), int(y),
                          mix[(x ^ y) << 8 | y] << 16 | mix[y << 8 | x] << 8 | mix[x << 8 | y]);
      }
    }
    Surface rows = dst, strips = dst, wide_strips = dst;
    BlendRect(rows, 0, 0, 256, 256, src, 0, 0, float(percent));
    for (int x = 0; x < 256; x += 3) BlendRect(strips, x, 0, 3, 256, src, x, 0, float(percent));
    for (int x = 0; x < 256; x += 15) {
      BlendRect(wide_strips, x, 0, 15, 256, src, x, 0, float(percent));
    }
    int wrong_rows = 0, wrong_strips = 0, wrong_wide_strips = 0;
    for (int i = 0; i < 256 * 256; ++i) {
      wrong_rows += rows.data()[i] != expected.data()[i];
      wrong_strips += strips.data()[i] != expected.data()[i];
      wrong_wide_strips += wide_strips.data()[i] != expected.data()[i];
    }
    EXPECT_EQ(wrong_rows, 0) << percent << " %";
    EXPECT_EQ(wrong_strips, 0) << percent << " %";
    EXPECT_EQ(wrong_wide_strips, 0) << percent << " %";
  }
}

TEST(BlendRect, FractionsTheIntegerFormCannotHoldFollowTheLiteralRule) {
  // 0.3 % is no whole multiple of 2^-30; the blend must still follow the rule.
  Surface dst = Filled(5, 1, 0xFF00FF);
  const Surface src = Filled(5, 1, 0x00FF80);
  Surface reference = dst;
  BlendRect(dst, 0, 0, 5, 1, src, 0, 0, 0.3f);
  const float f = static_cast<float>(static_cast<double>(0.3f) * 0.01), g = 1.0f - f;
  auto mix = [&](uint32_t s, uint32_t d) {
    return static_cast<uint32_t>(
        std::nearbyint(static_cast<long double>(s) * f + static_cast<long double>(d) * g));
  };
  const uint32_t expected = mix(0, 255) << 16 | mix(255, 0) << 8 | mix(0x80, 255);
  EXPECT_EQ(expected, 0xFE01FFu);  // 254.235, 0.765 and 254.619 before rounding
  for (int x = 0; x < 5; ++x) EXPECT_EQ(dst.Pixel(x, 0), expected) << x;
  BlendRectReference(reference, 0, 0, 5, 1, src, 0, 0, 0.3f);
  EXPECT_EQ(reference.Pixel(4, 0), expected);
}

}  // namespace
}  // namespace kolvar
