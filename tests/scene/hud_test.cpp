#include "scene/hud.h"

#include <gtest/gtest.h>

#include "support/test_game.h"

namespace kolvar {
namespace {

using testing::TestGame;

constexpr uint32_t kLifeColour = 0x00C000;
constexpr uint32_t kKeyColour = 0xC0C000;

struct HudTest : ::testing::Test {
  HudTest() {
    // Icons as solid colours with fully opaque masks below them.
    Surface& chip = t.game.MapChip;
    chip.FillRect(0, 128, 64, 32, kBlack);
    chip.FillRect(32, 128, 16, 16, kLifeColour);
    chip.FillRect(0, 128, 32, 16, kKeyColour);
    t.game.Crt.Clear();
  }
  int WhiteIn(int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += t.game.Crt.Pixel(x, y) == kWhite;
    return n;
  }
  TestGame t;
};

TEST(ZeroPadded, PadsToTheMinimumAndNeverCuts) {
  EXPECT_EQ(ZeroPadded(1230, 5), "01230");
  EXPECT_EQ(ZeroPadded(1234567, 5), "1234567");
  EXPECT_EQ(ZeroPadded(0, 3), "000");
  EXPECT_EQ(ZeroPadded(87, 3), "087");
  EXPECT_EQ(ZeroPadded(7, 2), "07");
}

TEST_F(HudTest, OneLifeIconPerLifeRunningLeftFromX300) {
  t.game.Lives = 3;
  DrawHud(t.game);
  for (int x : {300, 284, 268}) {
    EXPECT_EQ(t.game.Crt.Pixel(x, 3), kLifeColour) << x;
    EXPECT_EQ(t.game.Crt.Pixel(x + 15, 18), kLifeColour) << x;
  }
  EXPECT_EQ(t.game.Crt.Pixel(267, 10), kBlack);
  EXPECT_EQ(t.game.Crt.Pixel(300, 19), kBlack);

  t.game.Crt.Clear();
  t.game.Lives = 1;
  DrawHud(t.game);
  EXPECT_EQ(t.game.Crt.Pixel(300, 3), kLifeColour);
  EXPECT_EQ(t.game.Crt.Pixel(284, 3), kBlack);
}

TEST_F(HudTest, KeyIconOnlyWhileTheKeyIsHeld) {
  DrawHud(t.game);
  EXPECT_EQ(t.game.Crt.Pixel(236, 6), kBlack);
  t.game.GameFlags[kKeyHeld] = kTrue;
  DrawHud(t.game);
  EXPECT_EQ(t.game.Crt.Pixel(236, 6), kKeyColour);
  EXPECT_EQ(t.game.Crt.Pixel(267, 21), kKeyColour);
}

TEST_F(HudTest, ScoreAndTimeAreWhiteTextAtTheTopLeft) {
  t.game.Score = 1230;
  t.game.TimeLeft = 87;
  DrawHud(t.game);
  EXPECT_GT(WhiteIn(5, 4, 60, 20), 20);     // SCORE
  EXPECT_GT(WhiteIn(150, 4, 236, 20), 20);  // TIME 087
  EXPECT_EQ(WhiteIn(0, 0, 320, 3), 0);
  EXPECT_EQ(WhiteIn(0, 24, 320, 240), 0);
  EXPECT_EQ(WhiteIn(0, 0, 5, 240), 0);
}

TEST_F(HudTest, HiScoreLineStartsAtX110) {
  t.game.HiScore = 4560;
  DrawHiScore(t.game);
  EXPECT_EQ(WhiteIn(0, 0, 110, 240), 0);
  EXPECT_GT(WhiteIn(110, 4, 220, 20), 20);
}

}  // namespace
}  // namespace kolvar
