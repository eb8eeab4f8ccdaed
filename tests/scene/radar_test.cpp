#include "scene/radar.h"

#include <gtest/gtest.h>

#include "support/test_game.h"

namespace kolvar {
namespace {

using testing::PlaceEnemy;
using testing::TestGame;

TEST(RadarScale, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RadarScale(0), 0);
  EXPECT_EQ(RadarScale(4), 0);   // 0.5
  EXPECT_EQ(RadarScale(12), 2);  // 1.5
  EXPECT_EQ(RadarScale(20), 2);  // 2.5
  EXPECT_EQ(RadarScale(28), 4);  // 3.5
  EXPECT_EQ(RadarScale(-12), -2);
}

struct RadarTest : ::testing::Test {
  RadarTest() {
    t.game.Crt.Clear();
    t.game.RadarBlink = 3;  // a phase that shows the dots
  }
  TestGame t;
};

TEST_F(RadarTest, PanelIsTintedBlueWithoutTouchingRedAndGreen) {
  t.game.Crt.FillRect(0, 0, 320, 240, 0x804020);
  DrawRadar(t.game);
  EXPECT_EQ(t.game.Crt.Pixel(205, 170), 0x804020u);
  EXPECT_EQ(t.game.Crt.Pixel(250, 163), 0x804020u);
  EXPECT_EQ(t.game.Crt.Pixel(250, 200), 0x8040FFu);
  EXPECT_EQ(t.game.Crt.Pixel(309, 211), 0x8040FFu);
  EXPECT_EQ(t.game.Crt.Pixel(310, 211), 0x804020u);
  EXPECT_EQ(t.game.Crt.Pixel(309, 212), 0x804020u);
}

TEST_F(RadarTest, DotsAreTwoByTwoAtAnEighthOfTheMapPosition) {
  t.game.PlayerX = 12;  // with the view at (0, 0): map x 12 -> 1.5 -> 2
  t.game.PlayerY = 0;
  PlaceEnemy(t.game, 0, 2, 832, 384);  // just past the panel's lower right corner
  DrawRadar(t.game);
  EXPECT_EQ(t.game.Crt.Pixel(208, 164), kWhite);
  EXPECT_EQ(t.game.Crt.Pixel(209, 165), kWhite);
  EXPECT_EQ(t.game.Crt.Pixel(207, 164), kBlue);
  EXPECT_EQ(t.game.Crt.Pixel(210, 164), kBlue);
  EXPECT_EQ(t.game.Crt.Pixel(310, 212), kLightRed);
  EXPECT_EQ(t.game.Crt.Pixel(311, 213), kLightRed);

  // The view's offset counts: view (10, 7) and player (20, 4) is map (340, 228).
  t.game.Crt.Clear();
  t.game.ViewX = 10;
  t.game.ViewY = 7;
  t.game.PlayerX = 20;
  t.game.PlayerY = 4;
  DrawRadar(t.game);
  EXPECT_EQ(t.game.Crt.Pixel(206 + 42, 164 + 28), kWhite);  // 42.5 -> 42, 28.5 -> 28
}

TEST_F(RadarTest, EnemyDotsCoverThePlayersAndDotsOffScreenAreSkipped) {
  t.game.PlayerX = 64;
  t.game.PlayerY = 64;
  PlaceEnemy(t.game, 3, 9, 64, 64);
  PlaceEnemy(t.game, 4, 9, 1020, 1020);  // far below the screen
  t.game.EnemyTable[5].X = 100;          // inactive: no dot
  DrawRadar(t.game);
  EXPECT_EQ(t.game.Crt.Pixel(214, 172), kLightRed);
  EXPECT_EQ(t.game.Crt.Pixel(206 + 12, 164), kBlue);
}

TEST_F(RadarTest, DotsHideInThreeCallsOfSixteen) {
  t.game.RadarBlink = 0;
  std::string shown;
  for (int call = 0; call < 32; ++call) {
    t.game.Crt.Clear();
    DrawRadar(t.game);
    shown += t.game.Crt.Pixel(206, 164) == kWhite ? '*' : '.';
  }
  EXPECT_EQ(shown, "...*************...*************");
  EXPECT_EQ(t.game.RadarBlink, 0);
}

TEST_F(RadarTest, TheMissFlagDoesNotHideTheDots) {
  t.game.GameFlags[kMiss] = kTrue;
  PlaceEnemy(t.game, 0, 2, 160, 160);
  DrawRadar(t.game);
  EXPECT_EQ(t.game.Crt.Pixel(226, 184), kLightRed);
}

}  // namespace
}  // namespace kolvar
