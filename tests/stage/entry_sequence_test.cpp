#include "stage/entry_sequence.h"

#include <gtest/gtest.h>

#include "scene/map_layer.h"
#include "support/test_game.h"

namespace kolvar {
namespace {

using testing::FillMap;
using testing::TestGame;

// A title sheet whose left half is painted in 32 x 32 blocks, each a colour
// naming its place, over black (opaque) masks: a drawn pixel tells which
// sheet pixel it came from to the nearest block.
Surface LabelledTitleSheet() {
  Surface sheet(512, 368);
  for (int y = 0; y < 368; y += 32)
    for (int x = 0; x < 256; x += 32)
      sheet.FillRect(x, y, 32, 32, static_cast<uint32_t>(0x010000 * (x / 32 + 1) + y / 32 + 1));
  return sheet;
}

uint32_t Cell(int x, int y) {
  return static_cast<uint32_t>(0x010000 * (x / 32 + 1) + y / 32 + 1);
}

TEST(StageBanner, DigitsComeFromTheirGlyphRows) {
  const struct {
    int stage;
    int first_x, first_y, second_x, second_y;
  } cases[] = {
      {7, 0, 208, 64, 240},     // 0 and 7
      {16, 32, 208, 32, 240},   // 1 and 6
      {5, 0, 208, 0, 240},      // 0 and 5: digit 5 from the second row at x 0
      {14, 32, 208, 128, 208},  // 1 and 4: digit 4 from the first row at x 128
  };
  for (const auto& c : cases) {
    TestGame t;
    t.game.Title = LabelledTitleSheet();
    t.game.Crt.Clear();
    t.game.StageNumber = c.stage;
    DrawStageBanner(t.game);
    EXPECT_EQ(t.game.Crt.Pixel(80, 80), Cell(64, 176)) << c.stage;  // the word Stage
    EXPECT_EQ(t.game.Crt.Pixel(185, 90), Cell(c.first_x + 5, c.first_y + 10)) << c.stage;
    // The second glyph lies 22 px right and covers the first one's right part.
    EXPECT_EQ(t.game.Crt.Pixel(233, 111), Cell(c.second_x + 31, c.second_y + 31)) << c.stage;
    EXPECT_EQ(t.game.Crt.Pixel(234, 90), kBlack) << c.stage;
  }
}

TEST(EntrySequence, WalksOutClosesTheDoorAndLeavesTheBareView) {
  for (uint8_t door_code : {uint8_t{21}, uint8_t{40}}) {
    TestGame t;
    FillMap(t.game, kFloor);
    t.game.StageNumber = 3;
    t.game.StartCellX = 2;
    t.game.StartCellY = 3;
    t.game.TileMap.Set(2, 3, door_code);
    t.game.PlayerX = 64;
    t.game.PlayerY = 96;
    t.game.PlayerDir = 1;
    t.platform.PressKey(Key::Right);  // a press during the sequence is forgotten
    t.platform.ReleaseKey(Key::Right);
    const uint32_t start = t.platform.Clock();
    RunEntrySequence(t.game);
    EXPECT_EQ(t.game.TileMap.Get(2, 3), kFloor) << int{door_code};
    EXPECT_EQ(t.game.PlayerX, 64 + 24);
    EXPECT_EQ(t.game.PlayerY, 96);
    EXPECT_EQ(t.game.PlayerDir, 2);
    EXPECT_EQ(t.platform.PollKey(Key::Right), 0);
    // 6 x 41 + 101 + 401 + 3 x 121 + 6 x 41 ms on the virtual clock.
    EXPECT_EQ(t.platform.Clock() - start, 6u * 41 + 101 + 401 + 3 * 121 + 6 * 41);
    Surface view(352, 372);
    DrawMapTo(t.game, view);
    EXPECT_EQ(t.game.B_Crt.Pixel(70, 100), view.Pixel(70, 100));
  }
}

}  // namespace
}  // namespace kolvar
