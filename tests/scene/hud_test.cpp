#include "scene/hud.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <utility>
#include <vector>

#include "stage/stage_compiler.h"
#include "support/test_game.h"
#include "video/blit.h"

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

namespace kolvar {
namespace {

// WCAG relative luminance of a 0x00RRGGBB colour.
double Luminance(uint32_t rgb) {
  auto channel = [](uint32_t c) {
    const double v = c / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel((rgb >> 16) & 0xFF) + 0.7152 * channel((rgb >> 8) & 0xFF) +
         0.0722 * channel(rgb & 0xFF);
}

// The HUD line stands over the view's top row, which the scroll can fill
// with any map tile at any of the ten view columns. Each pixel of its text
// must stay white and reach a WCAG contrast of 4.5:1 or more against every
// pixel touching it that is not text itself, whatever tile lies beneath.
TEST(HudContrast, EveryTextPixelReachesFourAndAHalfToOneOverEveryTile) {
  TestGame t;
  Game& g = t.game;
  const Surface sheet = g.MapChip;
  g.Lives = 0;  // the text alone
  const int lines[][2] = {{88888, 188}, {1234, 567}, {90000, 9}};
  for (const auto& [score, time] : lines) {
    g.Score = score;
    g.TimeLeft = time;
    g.Crt.Clear();
    DrawHud(g);
    std::vector<bool> text(320 * 32);
    int text_pixels = 0;
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 320; ++x) {
        text[y * 320 + x] = g.Crt.Pixel(x, y) == kWhite;
        text_pixels += text[y * 320 + x];
      }
    }
    ASSERT_GT(text_pixels, 100) << "the HUD printed no text";
    const auto is_text = [&](int x, int y) {
      return x >= 0 && y >= 0 && x < 320 && y < 32 && text[y * 320 + x];
    };
    for (int code = 0; code < 6 * 16; ++code) {
      if ((code & 15) >= 6) continue;  // the sheet's tiles: six columns of six rows
      g.Crt.Clear();
      for (int column = 0; column < 10; ++column) {
        Blit(g.Crt, column * 32, 0, 32, 32, sheet, 32 * (code & 15), 32 * (code >> 4));
      }
      DrawHud(g);
      double worst = 21;
      int worst_x = 0, worst_y = 0;
      for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 320; ++x) {
          if (!is_text(x, y)) continue;
          ASSERT_EQ(g.Crt.Pixel(x, y), kWhite) << "tile " << code << " at " << x << "," << y;
          for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
              if (is_text(x + dx, y + dy)) continue;
              const double contrast = 1.05 / (Luminance(g.Crt.Pixel(x + dx, y + dy)) + 0.05);
              if (contrast < worst) worst = contrast, worst_x = x, worst_y = y;
            }
          }
        }
      }
      EXPECT_GE(worst, 4.5) << "tile " << code << " under \"SCORE " << score << " TIME " << time
                            << "\": the text pixel at " << worst_x << "," << worst_y
                            << " stands at " << worst << ":1";
    }
  }
}

}  // namespace
}  // namespace kolvar

namespace kolvar {
namespace {

// The stage compiler keeps key chests, doors and enemy starts out of the
// view columns the HUD's text (with its outline) stands over; those must be
// the columns it really covers.
TEST(HudContrast, TheStageCompilerKnowsWhichViewColumnsTheTextCovers) {
  TestGame t;
  Game& g = t.game;
  g.Lives = 0;
  std::array<bool, 10> covered{};
  for (const auto& [score, time] : {std::pair{88888, 188}, {0, 0}, {11111, 111}, {40404, 200}}) {
    g.Score = score;
    g.TimeLeft = time;
    g.Crt.Clear();
    g.Crt.FillRect(0, 0, 320, 32, 0x808080);
    DrawHud(g);
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 320; ++x) {
        if (g.Crt.Pixel(x, y) != 0x808080) covered[static_cast<size_t>(x / 32)] = true;
      }
    }
  }
  for (int column = 0; column < 10; ++column) {
    EXPECT_EQ(covered[static_cast<size_t>(column)], stagec::kHudTextViewColumns[column])
        << "view column " << column;
  }
}

}  // namespace
}  // namespace kolvar
