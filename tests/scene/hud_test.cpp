#include "scene/hud.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

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

// White HUD text must stay readable (WCAG contrast 4.5:1 or more) over every
// tile a shipped stage can put under it: the view's top row is a map row
// the vertical scroll can bring there, and the text covers the first view
// columns of every screen.
TEST(HudContrast, EveryTileUnderTheTextBandGivesWhiteTextFourAndAHalfToOne) {
  TestGame t;
  Game& g = t.game;
  g.Crt.Clear();
  g.Score = 88888;
  g.TimeLeft = 188;
  DrawHud(g);
  int x0 = 320, x1 = -1, y0 = 240, y1 = -1;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 320; ++x) {
      if (g.Crt.Pixel(x, y) != kWhite) continue;
      x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    }
  }
  ASSERT_GE(x1, x0) << "the HUD printed no text";

  std::map<int, std::vector<std::string>> where;  // tile code -> stages and cells
  for (int stage = 1; stage <= 16; ++stage) {
    char name[32];
    std::snprintf(name, sizeof name, "DATA/Stage%02d.MAP", stage);
    std::ifstream in(name, std::ios::binary);
    ASSERT_TRUE(in) << name << " is missing (run from the build directory)";
    std::vector<char> map(1024);
    ASSERT_TRUE(in.read(map.data(), 1024)) << name;
    int start_row = 0;
    for (int k = 0; k < 1024; ++k) {
      if (static_cast<uint8_t>(map[static_cast<size_t>(k)]) == kStartDoor) start_row = k / 32;
    }
    const int first_view_row = start_row < 6 ? 0 : 6;
    for (int row = 0; row < 32; ++row) {
      if (((row - first_view_row) % 7 + 7) % 7 != 0) continue;
      for (int column = 0; column < 32; ++column) {
        const int in_view = (column % 10) * 32;
        if (in_view > x1 || in_view + 31 < x0) continue;
        const int code = static_cast<uint8_t>(map[static_cast<size_t>(row * 32 + column)]);
        where[code].push_back("stage " + std::to_string(stage) + " (" + std::to_string(column) +
                              "," + std::to_string(row) + ")");
      }
    }
  }

  for (const auto& [code, places] : where) {
    if ((code & 15) >= 6 || (code >> 4) >= 6) continue;  // no tile; stagec refuses these
    double sum = 0;
    int n = 0;
    for (int y = y0; y <= y1; ++y) {
      for (int x = 0; x < 32; ++x, ++n) {
        sum += Luminance(g.MapChip.Pixel(32 * (code & 15) + x, 32 * (code >> 4) + y));
      }
    }
    const double contrast = 1.05 / (sum / n + 0.05);
    EXPECT_GE(contrast, 4.5) << "tile " << code << " under the HUD text (rows " << y0 << ".." << y1
                             << ") gives " << contrast << ":1, e.g. at " << places.front() << " of "
                             << places.size() << " places";
  }
}

}  // namespace
}  // namespace kolvar
