#include "scene/sprites.h"

#include <gtest/gtest.h>

#include "scene/map_layer.h"
#include "support/test_game.h"

namespace kolvar {
namespace {

using testing::PlaceEnemy;
using testing::TestGame;

// A character sheet whose every 24 x 32 cell is a solid colour naming its
// place (x / 24, y / 32), with black masks in the lower half: each draw
// leaves its source's colour on the screen.
Surface LabelledSheet() {
  Surface sheet(720, 256);
  for (int row = 0; row < 4; ++row) {
    for (int cell = 0; cell < 30; ++cell) {
      sheet.FillRect(24 * cell, 32 * row, 24, 32,
                     static_cast<uint32_t>(0x010000 * (cell + 1) + row + 1));
    }
  }
  return sheet;  // rows 128..255 stay black: fully opaque masks
}

uint32_t Label(int sheet_x, int sheet_y) {
  return static_cast<uint32_t>(0x010000 * (sheet_x / 24 + 1) + sheet_y / 32 + 1);
}

struct SpriteTest : ::testing::Test {
  SpriteTest() {
    t.game.Chr = LabelledSheet();
    t.game.Crt.Clear();
  }
  TestGame t;
};

TEST_F(SpriteTest, PlayerFrameComesFromTheWalkTableAndFacingRow) {
  t.game.PlayerX = 100;
  t.game.PlayerY = 50;
  t.game.PlayerDir = 3;
  const int expected_x[] = {0, 24, 48, 24};
  for (int step = 0; step < 4; ++step) {
    t.game.PlayerAnimStep = step;
    DrawSprites(t.game);
    EXPECT_EQ(t.game.Crt.Pixel(104, 50), Label(expected_x[step], 96)) << step;
    EXPECT_EQ(t.game.Crt.Pixel(127, 81), Label(expected_x[step], 96)) << step;
  }
  EXPECT_EQ(t.game.Crt.Pixel(103, 50), kBlack);
  EXPECT_EQ(t.game.Crt.Pixel(128, 50), kBlack);
}

TEST_F(SpriteTest, EnemyCellComesFromKindFacingAndFrame) {
  EnemySlot& e = PlaceEnemy(t.game, 0, 3, 64, 64);
  e.Facing = 3;
  e.AnimFrame = 2;
  DrawSprites(t.game);
  EXPECT_EQ(t.game.Crt.Pixel(68, 64), Label(72 * 3 + 48, 96));  // (264, 96)
}

TEST_F(SpriteTest, EnemiesOutsideTheDrawingWindowAreSkipped) {
  t.game.PlayerX = 200;
  t.game.PlayerY = 100;
  PlaceEnemy(t.game, 0, 1, -16, 0);    // drawn, left part clipped
  PlaceEnemy(t.game, 1, 2, -20, 40);   // skipped
  PlaceEnemy(t.game, 2, 4, 64, 208);   // drawn, reaching below the map view
  PlaceEnemy(t.game, 3, 5, 128, 212);  // skipped, though part of it would show
  DrawSprites(t.game);
  EXPECT_EQ(t.game.Crt.Pixel(0, 0), Label(72, 64));
  EXPECT_EQ(t.game.Crt.Pixel(0, 40), kBlack);
  EXPECT_EQ(t.game.Crt.Pixel(68, 239), Label(72 * 4, 64));
  EXPECT_EQ(t.game.Crt.Pixel(132, 239), kBlack);
}

TEST_F(SpriteTest, EnemiesCoverThePlayerUnlessTheMissFlagIsSet) {
  t.game.PlayerX = 64;
  t.game.PlayerY = 64;
  PlaceEnemy(t.game, 0, 2, 64, 64);
  PlaceEnemy(t.game, 1, 9, 64, 64);
  DrawSprites(t.game);
  EXPECT_EQ(t.game.Crt.Pixel(70, 70), Label(72 * 9, 64));  // the higher slot is on top
  t.game.GameFlags[kMiss] = kTrue;
  DrawSprites(t.game);
  EXPECT_EQ(t.game.Crt.Pixel(70, 70), Label(0, 0));  // the player, facing up
}

TEST(MapLayer, ViewWrapsAroundTheMapAndUnknownCodesDrawBlack) {
  TestGame t;
  t.game.MapChip = Surface(192, 192);
  for (int code_row = 0; code_row < 6; ++code_row)
    for (int code_column = 0; code_column < 6; ++code_column)
      t.game.MapChip.FillRect(32 * code_column, 32 * code_row, 32, 32,
                              static_cast<uint32_t>(0x100 + 16 * code_row + code_column));
  for (int c = 0; c < 32; ++c)
    t.game.TileMap.Set(c, 0, static_cast<uint8_t>(c < 6 ? c : 16 + c % 6));
  t.game.TileMap.Set(31, 0, 0x46);  // column nibble 6: no tile in the sheet
  t.game.ViewX = 30;
  t.game.B_Crt.FillRect(0, 0, 352, 372, kWhite);
  DrawMapToBuffer(t.game);
  EXPECT_EQ(t.game.B_Crt.Pixel(0, 0), 0x100u + 16 + 30 % 6);   // column 30
  EXPECT_EQ(t.game.B_Crt.Pixel(32, 0), kBlack);                // column 31
  EXPECT_EQ(t.game.B_Crt.Pixel(64, 0), 0x100u + 0);            // column 0
  EXPECT_EQ(t.game.B_Crt.Pixel(319, 0), 0x100u + 16 + 7 % 6);  // column 7
  EXPECT_EQ(t.game.B_Crt.Pixel(0, 230), kWhite);               // below the 7 rows
}

}  // namespace
}  // namespace kolvar
