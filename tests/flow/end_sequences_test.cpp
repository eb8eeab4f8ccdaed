#include "flow/end_sequences.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "scene/map_layer.h"
#include "scene/sprites.h"
#include "stage/start_stage.h"
#include "support/scratch_folder.h"
#include "support/test_game.h"
#include "video/blit.h"
#include "video/text.h"

namespace kolvar {
namespace {

using testing::FillMap;
using testing::PlaceEnemy;
using testing::TestGame;

TEST(StageClear, AwardsFivePointsPerSecondAndAdvancesTheStage) {
  TestGame t(".", "20000 z down\n20100 z up\n");
  FillMap(t.game, kFloor);
  t.game.StageNumber = 4;
  t.game.TimeLeft = 150;
  t.game.Score = 1000;
  t.game.HiScore = 1200;
  StageClear(t.game);
  EXPECT_EQ(t.game.Score, 1750);
  EXPECT_EQ(t.game.HiScore, 1750);
  EXPECT_EQ(t.game.StageNumber, 5);
  EXPECT_EQ(t.game.GameFlags[kAllClear], kFalse);
  EXPECT_EQ(t.game.CrtFontPoints, 9);
  EXPECT_EQ(t.platform.music.log, "close;open CLEAR.MID;play;stop;");
  // 1 s pause, 151 steps of 20 ms, half a second, then the prompt; the Z at
  // 20 s ends it and one more second passes on a black screen.
  EXPECT_GE(t.platform.Clock(), 21000u);
  EXPECT_LT(t.platform.Clock(), 21200u);
}

TEST(StageClear, LastStageWrapsToTheFirstAndRaisesAllClear) {
  TestGame t(".", "6000 z down\n");
  t.game.StageNumber = 16;
  t.game.TimeLeft = 0;
  t.game.Score = 10;
  StageClear(t.game);
  EXPECT_EQ(t.game.Score, 10);
  EXPECT_EQ(t.game.StageNumber, 1);
  EXPECT_EQ(t.game.GameFlags[kAllClear], kTrue);
}

TEST(StageClear, ZHeldWhenThePromptAppearsMustBeReleasedAndPressedAgain) {
  TestGame t(".", "0 z down\n9000 z up\n9500 z down\n");
  t.game.TimeLeft = 10;
  StageClear(t.game);
  EXPECT_GE(t.platform.Clock(), 10500u);
}

// The prompt names the player's confirm key, or the controller's button,
// from x 90 as "Please Hit Z Key " always stood; a line too long for that
// is centred instead.
TEST(GameOver, ThePromptNamesTheKeyThePlayerConfirmsWith) {
  const struct {
    ConfirmControl confirm;
    const char* line;
    int x;
  } cases[] = {
      {{"Z", false}, "Please Hit Z Key ", 90},
      {{"Space", false}, "Please Hit Space Key ", 90},
      {{"A", true}, "Please Hit A Button ", 90},
      {{"Right Shift", false}, "Please Hit Right Shift Key ", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    TestGame t(".", "3000 z down\n");
    t.platform.confirm = c.confirm;
    GameOver(t.game);
    const TextBitmap text = RenderTextLine(c.line, FontPixelSize(kLargeFontPoints));
    const int x = c.x >= 0 ? c.x : (320 - text.width) / 2;
    if (c.x < 0) {
      ASSERT_GT(text.width, 320 - 90) << "a line that fits from x 90";
    }
    const std::vector<uint32_t>& shown = t.platform.LastShown();
    ASSERT_EQ(shown.size(), 320u * 240u);
    for (int y = 110; y < 240; ++y) {  // below the caption
      for (int col = 0; col < 320; ++col) {
        const int tx = col - x, ty = y - 120;
        const bool ink = tx >= 0 && ty >= 0 && tx < text.width && ty < text.height &&
                         text.coverage[static_cast<size_t>(ty) * text.width + tx];
        ASSERT_EQ(shown[static_cast<size_t>(y) * 320 + col], ink ? kWhite : kBlack)
            << col << "," << y;
      }
    }
  }
}

struct MissTest : ::testing::Test {
  MissTest() {
    std::filesystem::create_directories(root / "DATA");
    std::string map(1024, '\0'), spawns(1024, '\0');
    map[3 * 32 + 2] = static_cast<char>(kStartDoor);
    std::ofstream(root / "DATA" / "Stage02.MAP", std::ios::binary) << map;
    std::ofstream(root / "DATA" / "Stage02.IVM", std::ios::binary) << spawns;
  }
  testing::ScratchFolder scratch{"kolvar-miss"};
  std::filesystem::path root = scratch.path();
};

TEST_F(MissTest, SpinEndsThreeTurnsOnAndTheStageStartsAgain) {
  TestGame t(root.string());
  t.game.StageNumber = 2;
  t.game.Lives = 3;
  t.game.Score = 500;
  t.game.PlayerDir = 2;
  t.game.TileMap.Set(2, 3, 99);  // the stage restarts from its files
  t.game.GameFlags = {kTrue, kTrue, kTrue, 0, 0, 0};
  t.game.ContinueStage = 1;
  LoseLife(t.game);
  EXPECT_EQ(t.game.Lives, 2);
  EXPECT_EQ(t.game.Score, 500);
  EXPECT_EQ(t.game.GameFlags[kKeyHeld], kFalse);
  EXPECT_EQ(t.game.GameFlags[kMiss], kFalse);
  EXPECT_EQ(t.game.TileMap.Get(2, 3), kFloor);  // reloaded, then the entry closed the door
  EXPECT_EQ(t.game.PlayerX, 64 + 24);
  EXPECT_EQ(t.game.ContinueStage, 1);
  EXPECT_EQ(t.platform.music.log, "stop;close;open main.mid;play;");
}

// An enemy reaching into the strip below the map in the last frame before
// a stage clear or a miss leaves nothing there for the next start: the
// strip stays as the stage start left it (black here) in the back buffer,
// which every frame of play begins from, and in the picture shown.
TEST_F(MissTest, NoSpriteLeavesPiecesInTheStripBelowTheMapForTheNextStart) {
  for (const bool clear : {true, false}) {
    SCOPED_TRACE(clear ? "stage clear" : "miss");
    TestGame t(root.string(), "3000 z down\n");
    Game& g = t.game;
    g.StageNumber = clear ? 1 : 2;
    g.Lives = 3;
    g.TimeLeft = 0;
    PlaceEnemy(g, 0, 1, 100, 200);  // view y 200: its feet reach below the map
    Blit(g.Crt, 0, 0, 320, 240, g.B_Crt, 0, 0);
    DrawSprites(g);
    const auto strip_ink = [](const auto& pixel) {
      int ink = 0;
      for (int y = kViewRows * kCellPixels; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) ink += pixel(x, y) != kBlack;
      }
      return ink;
    };
    ASSERT_GT(strip_ink([&](int x, int y) { return g.Crt.Pixel(x, y); }), 50);
    if (clear) {
      StageClear(g);
      StartStage(g);
    } else {
      LoseLife(g);
    }
    ASSERT_EQ(g.StageNumber, 2);
    EXPECT_EQ(strip_ink([&](int x, int y) { return g.B_Crt.Pixel(x, y); }), 0);
    const std::vector<uint32_t>& shown = t.platform.LastShown();
    EXPECT_EQ(strip_ink([&](int x, int y) { return shown[static_cast<size_t>(y) * 320 + x]; }), 0);
  }
}

TEST(LoseLife, TheLastLifeEndsInGameOverAndContinueRemembersTheStage) {
  TestGame t(".", "8000 z down\n");
  t.game.StageNumber = 5;
  t.game.Lives = 1;
  t.game.PlayerDir = 2;
  t.game.GameFlags[kMiss] = kTrue;
  LoseLife(t.game);
  EXPECT_EQ(t.game.PlayerDir, 1);  // 51 quarter turns from facing down
  EXPECT_EQ(t.game.Lives, 0);
  EXPECT_EQ(t.game.GameFlags[kGameOver], kTrue);
  EXPECT_EQ(t.game.ContinueStage, 5);
  EXPECT_EQ(t.platform.kept_continue_stage, 5);
  EXPECT_EQ(t.platform.music.log, "stop;close;open GameOver.mid;play;");
  EXPECT_EQ(t.game.MusicLoop, kFalse);
}

}  // namespace
}  // namespace kolvar
