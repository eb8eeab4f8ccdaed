#include "stage/start_stage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "core/fatal_error.h"
#include "player/player_step.h"
#include "player/screen_scroll.h"
#include "scene/radar.h"
#include "stage/entry_sequence.h"
#include "stage/stage_compiler.h"
#include "stage/stage_files.h"
#include "support/scratch_folder.h"
#include "support/test_game.h"

namespace kolvar {
namespace {

// stagec's map is the game's, and its rule of good stages keeps floor on
// the cells the radar panel shows, at an eighth of their size.
static_assert(kMapCells == stagec::kColumns && kMapCells == stagec::kRows &&
              stagec::kRadarColumns * kCellPixels == kRadarWidth * 8 &&
              stagec::kRadarRows * kCellPixels == kRadarHeight * 8);

namespace fs = std::filesystem;
using testing::TestGame;

class StageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root_ / "DATA");
    map_.fill(16);
    spawns_.fill(0);
  }

  void Write(const std::string& name, const uint8_t* bytes, size_t size) {
    std::ofstream out(root_ / "DATA" / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
  }
  void WriteStage(int n = 1) {
    char name[32];
    std::snprintf(name, sizeof name, "Stage%02d", n);
    Write(std::string(name) + ".MAP", map_.data(), map_.size());
    Write(std::string(name) + ".IVM", spawns_.data(), spawns_.size());
  }
  void SetMap(int column, int row, uint8_t code) {
    map_[static_cast<size_t>(row * 32 + column)] = code;
  }
  void SetSpawn(int column, int row, uint8_t code) {
    spawns_[static_cast<size_t>(row * 32 + column)] = code;
  }
  void Load(TestGame& t, int n = 1) {
    t.game.StageNumber = n;
    LoadStage(t.game);
  }
  std::string FatalMessage(TestGame& t) {
    try {
      Load(t);
    } catch (const FatalError& e) {
      return e.what();
    }
    return "no error";
  }

  testing::ScratchFolder scratch_{"kolvar-stage"};
  fs::path root_ = scratch_.path();
  StageFileBytes map_{};
  StageFileBytes spawns_{};
};

TEST_F(StageFiles, ByteOrderIsRowByRowAndTheStartDoorPlacesPlayerAndView) {
  map_[33] = kStartDoor;  // column 1, row 1
  SetMap(5, 3, 77);
  WriteStage();
  TestGame t(root_.string());
  Load(t);
  EXPECT_EQ(t.game.TileMap.Get(5, 3), 77);
  EXPECT_EQ(t.game.StartCellX, 1);
  EXPECT_EQ(t.game.StartCellY, 1);
  EXPECT_EQ(t.game.PlayerX, 32);
  EXPECT_EQ(t.game.PlayerY, 32);
  EXPECT_EQ(t.game.ViewX, 0);
  EXPECT_EQ(t.game.ViewY, 0);
  EXPECT_EQ(t.game.PlayerDir, 1);
  EXPECT_EQ(t.game.TimeLeft, 200);
  EXPECT_EQ(t.game.StageStartTime, t.platform.Clock());
}

// A pack's stages come from memory, not from the data folder's files, and
// a stage number beyond the pack stops with a message.
TEST_F(StageFiles, APacksStagesAreLoadedFromTheGameNotTheFiles) {
  SetMap(1, 1, kStartDoor);
  WriteStage(1);
  TestGame t(root_.string());
  StageGrids second;
  second.map.fill(66);
  second.map[2 * 32 + 3] = kStartDoor;
  second.spawns[5 * 32 + 9] = 4;
  t.game.stages = {StageGrids{}, second};
  EXPECT_EQ(LastStage(t.game), 2);
  Load(t, 2);
  EXPECT_EQ(t.game.TileMap.Get(0, 0), 66);
  EXPECT_EQ(t.game.StartCellX, 3);
  EXPECT_EQ(t.game.StartCellY, 2);
  EXPECT_EQ(t.game.EnemyTable[0].Kind, 4);
  EXPECT_EQ(t.game.EnemyTable[0].X, 9 * 32);
  for (int beyond : {0, 3}) {
    t.game.StageNumber = beyond;
    try {
      LoadStage(t.game);
      ADD_FAILURE() << "stage " << beyond << " loaded";
    } catch (const FatalError& e) {
      EXPECT_EQ(std::string(e.what()), "the pack has no stage " + std::to_string(beyond));
    }
  }
  t.game.stages.clear();
  EXPECT_EQ(LastStage(t.game), kFirstSetStages);
}

TEST_F(StageFiles, StartDoorInRowsSixAndBelowStartsTheViewAtRowSix) {
  for (int row : {6, 8, 12}) {
    map_.fill(16);
    SetMap(3, row, kStartDoor);
    WriteStage();
    TestGame t(root_.string());
    Load(t);
    EXPECT_EQ(t.game.ViewY, 6) << row;
    EXPECT_EQ(t.game.PlayerY, (row - 6) * 32) << row;
    EXPECT_EQ(t.game.PlayerX, 96);
  }
}

TEST_F(StageFiles, ScanIsColumnByColumnAndTheLastMatchWins) {
  SetMap(7, 2, kKeyChest);
  SetMap(3, 5, kKeyChest);  // lower column: found first, overwritten
  SetMap(4, 1, kExitDoor);
  SetMap(4, 9, kExitDoor);  // same column, lower row: found last
  SetMap(2, 2, kStartDoor);
  WriteStage();
  TestGame t(root_.string());
  Load(t);
  EXPECT_EQ(t.game.KeyCellX, 7);
  EXPECT_EQ(t.game.KeyCellY, 2);
  EXPECT_EQ(t.game.ExitCellX, 4);
  EXPECT_EQ(t.game.ExitCellY, 9);

  // A stage without a key cell keeps the previous stage's.
  map_.fill(16);
  SetMap(2, 2, kStartDoor);
  WriteStage(2);
  Load(t, 2);
  EXPECT_EQ(t.game.KeyCellX, 7);
  EXPECT_EQ(t.game.KeyCellY, 2);
}

TEST_F(StageFiles, EnemiesFillSlotsInScanOrderAndDrawTheirWanderDirection) {
  SetSpawn(1, 0, 3);
  SetSpawn(0, 5, 1);   // column 0 comes first: slot 0
  SetSpawn(9, 9, 12);  // not an enemy kind: left out
  WriteStage();
  TestGame t(root_.string());
  t.game.EnemyTable[5].Active = kTrue;  // a leftover of the previous stage
  t.game.EnemyTable[0].AnimFrame = 3;   // counters keep their values
  RandomSource expected;
  Load(t);
  const EnemySlot& a = t.game.EnemyTable[0];
  const EnemySlot& b = t.game.EnemyTable[1];
  EXPECT_EQ(a.Active, kTrue);
  EXPECT_EQ(a.Kind, 1);
  EXPECT_EQ(a.X, 0);
  EXPECT_EQ(a.Y, 160);
  EXPECT_EQ(a.Facing, 2);
  EXPECT_EQ(a.AnimFrame, 3);
  EXPECT_EQ(b.Kind, 3);
  EXPECT_EQ(b.X, 32);
  EXPECT_EQ(b.Y, 0);
  // Kind 1 draws nothing; kind 3 takes the first number of the sequence.
  EXPECT_EQ(b.WanderDir, static_cast<int32_t>(std::floor(4 * expected.Next())));
  EXPECT_EQ(t.game.Random.Next(), expected.Next());
  for (size_t i = 2; i < t.game.EnemyTable.size(); ++i) {
    EXPECT_EQ(t.game.EnemyTable[i].Active, kFalse) << i;
  }
}

TEST_F(StageFiles, SpawnsBeyondTheEleventhAreLeftOut) {
  for (int c = 0; c < 13; ++c) SetSpawn(c, 1, 1);
  WriteStage();
  TestGame t(root_.string());
  Load(t);
  for (const EnemySlot& e : t.game.EnemyTable) EXPECT_EQ(e.Active, kTrue);
  EXPECT_EQ(t.game.EnemyTable[10].X, 320);
}

TEST_F(StageFiles, LoadClearsFlagsAndStartsTheStageMusic) {
  WriteStage();
  TestGame t(root_.string());
  t.game.GameFlags.fill(kTrue);
  Load(t);
  for (int16_t flag : t.game.GameFlags) EXPECT_EQ(flag, kFalse);
  EXPECT_EQ(t.platform.music.log, "close;open main.mid;play;");
  EXPECT_EQ(t.game.MusicLoop, kTrue);
}

TEST_F(StageFiles, NamesAreMatchedRegardlessOfCase) {
  Write("stage01.map", map_.data(), map_.size());
  Write("STAGE01.ivm", spawns_.data(), spawns_.size());
  TestGame t(root_.string());
  EXPECT_NO_THROW(Load(t));
}

TEST_F(StageFiles, BadFilesStopWithAMessageNamingTheFile) {
  TestGame t(root_.string());
  Write("Stage01.MAP", map_.data(), map_.size());
  const std::string ivm = (root_ / "DATA" / "Stage01.IVM").string();
  EXPECT_EQ(FatalMessage(t), ivm + ": cannot open stage file: No such file or directory");

  Write("Stage01.IVM", spawns_.data(), 1000);
  EXPECT_EQ(FatalMessage(t), ivm + ": stage file is 1000 bytes long; it must be exactly 1024");

  const uint8_t longer[1025] = {};
  Write("Stage01.IVM", longer, sizeof longer);
  EXPECT_EQ(FatalMessage(t),
            ivm + ": stage file is longer than 1024 bytes; it must be exactly 1024");

  Write("Stage01.IVM", spawns_.data(), 0);
  EXPECT_EQ(FatalMessage(t), ivm + ": stage file is 0 bytes long; it must be exactly 1024");
}

// The cases' map: the start door at column 0 row 3 opens into one room of
// floor filling the map inside its outer wall, columns and rows 1..30. Each
// case then writes one cell: the player reaches every edge, and the last
// start door in the loader's scan is the one played.
TEST_F(StageFiles, OnlyMapsThatLetThePlayerOffTheMapAreRefused) {
  struct Case {
    int column, row;
    uint8_t code;
    std::string fault;  // empty: the map loads
  };
  const Case cases[] = {
      // Floor on each edge: a cell beyond the map reads as a wall.
      {31, 5, kFloor, ""},
      {5, 31, kFloor, ""},
      {0, 5, kFloor, ""},
      {5, 0, kFloor, ""},
      // Beyond the radar's view: shown on no radar, played all the same.
      {26, 5, kFloor, ""},
      {5, 12, kFloor, ""},
      {25, 11, kFloor, ""},
      {1, 1, kFloor, ""},
      // A start door on the right or the bottom edge: the walk out of it,
      // or a scroll's walk into the next view, takes the player off.
      {30, 3, kStartDoor,
       "a scroll right from column 31 row 3 walks the player off the map (the start door is at "
       "column 30 row 3)"},
      {31, 5, kStartDoor,
       "the walk out of the start door at column 31 row 5 takes the player off "
       "the map"},
      {5, 31, kStartDoor,
       "a scroll down from column 6 row 31 walks the player off the map (the start door is at "
       "column 5 row 31)"},
      // Each scroll's walk-in adds its pixels to the steps between them: a
      // door far right or far down starts scrolls that end past the edge.
      {29, 3, kStartDoor,
       "a scroll right from column 30 row 3 walks the player off the map (the start door is at "
       "column 29 row 3)"},
      {28, 3, kStartDoor,
       "a scroll right from column 30 row 3 walks the player off the map (the start door is at "
       "column 28 row 3)"},
      {27, 3, kStartDoor, ""},
      {5, 29, kStartDoor,
       "a scroll down from column 6 row 31 walks the player off the map (the start door is at "
       "column 5 row 29)"},
      {5, 28, kStartDoor, ""},
      // On the left or the top edge it lets the player walk in.
      {0, 3, kStartDoor, ""},
      {5, 0, kStartDoor, ""},
      {0, 0, kStartDoor, ""},
      // The chest, once open, and the exit door on each edge.
      {27, 5, kKeyChest, ""},
      {26, 12, kKeyChest, ""},
      {31, 9, kKeyChest, ""},
      {9, 31, kKeyChest, ""},
      {0, 9, kKeyChest, ""},
      {9, 0, kKeyChest, ""},
      {5, 13, kExitDoor, ""},
      {13, 0, kExitDoor, ""},
      {31, 13, kExitDoor, ""},
      {13, 31, kExitDoor, ""},
      {0, 13, kExitDoor, ""},
  };
  const std::string map = (root_ / "DATA" / "Stage01.MAP").string();
  TestGame t(root_.string());
  for (const Case& c : cases) {
    map_.fill(16);
    for (int column = 1; column <= 30; ++column) {
      for (int row = 1; row <= 30; ++row) SetMap(column, row, kFloor);
    }
    SetMap(0, 3, kStartDoor);
    SetMap(c.column, c.row, c.code);
    WriteStage();
    EXPECT_EQ(FatalMessage(t), c.fault.empty() ? "no error" : map + ": " + c.fault)
        << c.column << " " << c.row;
  }
}

// Floor in columns 26..30 and rows 12..30, beyond the radar's view, is
// played: the player walks there, and an enemy there has its dot drawn where
// its place puts it, past the radar panel's lower right corner.
TEST_F(StageFiles, FloorBeyondTheRadarsViewIsPlayed) {
  SetMap(0, 3, kStartDoor);
  for (int column = 1; column <= 30; ++column) SetMap(column, 3, kFloor);
  for (int column = 26; column <= 30; ++column) {
    for (int row = 3; row <= 30; ++row) SetMap(column, row, kFloor);
  }
  SetSpawn(26, 12, 1);
  WriteStage();
  TestGame t(root_.string());
  Load(t);
  RunEntrySequence(t.game);
  // One play frame of the player: the scroll on the last move, then a step.
  int32_t move = kNoMove;
  const auto walk = [&](Key key, auto arrived) {
    for (int frame = 0; frame < 2000 && !arrived(); ++frame) {
      ScrollScreen(t.game, move);
      t.platform.PressKey(key);
      t.platform.ReleaseKey(key);
      move = StepPlayer(t.game);
    }
  };
  walk(Key::Right, [&] { return PlayerMapX(t.game) >= 28 * kCellPixels; });
  walk(Key::Down, [&] { return PlayerMapY(t.game) >= 29 * kCellPixels; });
  EXPECT_EQ(PlayerMapX(t.game), 28 * kCellPixels);
  EXPECT_EQ(PlayerMapY(t.game), 29 * kCellPixels);
  EXPECT_EQ(t.game.ViewX, 20);
  EXPECT_EQ(t.game.ViewY, 28);  // rows 28..31, then 0..2 as the drawing wraps

  t.game.Crt.Clear();
  t.game.RadarBlink = 3;  // a call that shows the dots
  DrawRadar(t.game);
  EXPECT_EQ(t.game.EnemyTable[0].X, 832);
  EXPECT_EQ(t.game.EnemyTable[0].Y, 384);
  for (const auto& [x, y] : {std::pair{310, 212}, {311, 212}, {310, 213}, {311, 213}}) {
    EXPECT_EQ(t.game.Crt.Pixel(x, y), kLightRed) << x << ", " << y;
  }
}

}  // namespace
}  // namespace kolvar
