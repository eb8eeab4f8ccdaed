#include "player/screen_scroll.h"

#include <gtest/gtest.h>

#include "scene/map_layer.h"
#include "scene/sprites.h"
#include "support/test_game.h"
#include "video/blit.h"

namespace kolvar {
namespace {

using testing::TestGame;

struct ScrollTest : ::testing::Test {
  ScrollTest() {
    // Every cell a different tile so that views can be told apart.
    for (int c = 0; c < 32; ++c)
      for (int r = 0; r < 32; ++r) t.game.TileMap.Set(c, r, static_cast<uint8_t>((c + 3 * r) % 6));
  }
  void Place(int32_t view_x, int32_t view_y, int32_t x, int32_t y) {
    t.game.ViewX = view_x;
    t.game.ViewY = view_y;
    t.game.PlayerX = x;
    t.game.PlayerY = y;
  }
  TestGame t;
};

TEST_F(ScrollTest, NothingHappensBelowTheThresholdsOrWithoutTheMatchingMove) {
  const struct {
    int32_t move, x, y;
  } calm[] = {{2, 296, 100}, {4, -16, 100}, {3, 100, 192}, {1, 100, -16},
              {0, 300, 100}, {1, 300, 100}, {3, -20, 100}, {2, 100, 196}};
  for (const auto& c : calm) {
    Place(10, 7, c.x, c.y);
    const uint32_t before = t.platform.Clock();
    ScrollScreen(t.game, c.move);
    EXPECT_EQ(t.platform.Clock(), before) << c.move << " " << c.x << "," << c.y;
    EXPECT_EQ(t.game.ViewX, 10);
    EXPECT_EQ(t.game.ViewY, 7);
  }
}

TEST_F(ScrollTest, EachDirectionEndsAtItsPlaceAndKeepsTheMapPosition) {
  const struct {
    int32_t move, x, y;
    int32_t view_x, view_y, end_x, end_y;
  } cases[] = {
      {2, 300, 100, 20, 7, 4, 100},    // right
      {4, -20, 100, 0, 7, 284, 100},   // left
      {3, 100, 196, 10, 14, 100, -4},  // down
      {1, 100, -20, 10, 0, 100, 180},  // up
  };
  for (const auto& c : cases) {
    Place(10, 7, c.x, c.y);
    t.game.PlayerAnimStep = 3;
    ScrollScreen(t.game, c.move);
    EXPECT_EQ(t.game.ViewX, c.view_x) << c.move;
    EXPECT_EQ(t.game.ViewY, c.view_y) << c.move;
    EXPECT_EQ(t.game.PlayerX, c.end_x) << c.move;
    EXPECT_EQ(t.game.PlayerY, c.end_y) << c.move;
    EXPECT_GE(t.game.PlayerAnimStep, 0);
    EXPECT_LE(t.game.PlayerAnimStep, 2);
  }
}

TEST_F(ScrollTest, TakesPushAndWalkInFramesAndStoresTheNewView) {
  Place(0, 0, 300, 100);
  const uint32_t start = t.platform.Clock();
  const int shows = t.platform.shows();
  ScrollScreen(t.game, 2);
  EXPECT_EQ(t.platform.shows() - shows, 10 + 6 + 1);
  // 10 pushes of 60 ms and 6 steps of 40 ms, each lasting 1 ms more.
  EXPECT_EQ(t.platform.Clock() - start, 10u * 61 + 6u * 41);

  Surface expected(352, 372);
  DrawMapTo(t.game, expected);
  for (int y = 0; y < 224; y += 7)
    for (int x = 0; x < 320; x += 5)
      ASSERT_EQ(t.game.B_Crt.Pixel(x, y), expected.Pixel(x, y)) << x << "," << y;
}

// Sprites reach below the map into the screen's bottom 16 rows: the
// player's last frame before a scroll down, and every push frame of a
// scroll up. None of it may stay in the back buffer or on the screen.
TEST_F(ScrollTest, VerticalScrollsLeaveTheStripBelowTheMapAsItWas) {
  const struct { int32_t move, y; } cases[] = {{3, 196}, {1, -20}};
  for (const auto& c : cases) {
    Place(10, 7, 100, c.y);
    t.game.B_Crt.Clear();
    Blit(t.game.Crt, 0, 0, 320, 240, t.game.B_Crt, 0, 0);
    DrawSprites(t.game);  // the play frame before the scroll
    ScrollScreen(t.game, c.move);
    const std::vector<uint32_t>& shown = t.platform.LastShown();
    for (int y = 224; y < 240; ++y) {
      for (int x = 0; x < 320; ++x) {
        ASSERT_EQ(t.game.B_Crt.Pixel(x, y), kBlack) << c.move << " at " << x << "," << y;
        ASSERT_EQ(shown[static_cast<size_t>(y) * 320 + x], kBlack)
            << c.move << " at " << x << "," << y;
      }
    }
  }
}

}  // namespace
}  // namespace kolvar
