#include "stage/start_stage.h"

#include <cmath>
#include <string>

#include "audio/music.h"
#include "core/fatal_error.h"
#include "core/trace.h"
#include "pacing/pacing.h"
#include "stage/entry_sequence.h"
#include "stage/map_check.h"
#include "stage/stage_files.h"

namespace kolvar {

namespace {

// Scans the map column by column (and within a column row by row) and calls
// `found` at every cell holding `code`: the last match wins.
template <typename Found>
void ScanFor(const Game& g, uint8_t code, Found found) {
  for (int32_t x = 0; x <= kMapLimit; ++x) {
    for (int32_t y = 0; y <= kMapLimit; ++y) {
      if (g.TileMap.Get(x, y) == code) found(x, y);
    }
  }
}

void PlaceEnemies(Game& g) {
  for (EnemySlot& slot : g.EnemyTable) slot.Active = kFalse;
  size_t s = 0;
  for (int32_t x = 0; x <= kMapLimit; ++x) {
    for (int32_t y = 0; y <= kMapLimit; ++y) {
      const int32_t code = g.SpawnMap.Get(x, y);
      // Codes above the highest kind and spawns beyond the table are not
      // enemies of this game; they are left out.
      if (code == kNoEnemy || code > kEnemyKindCount || s >= g.EnemyTable.size()) continue;
      EnemySlot& slot = g.EnemyTable[s++];
      slot.Active = kTrue;
      slot.Kind = code;
      slot.X = x * kCellPixels;
      slot.Y = y * kCellPixels;
      slot.Facing = kDown;
      // Every kind but the slime, which never wanders, draws its first
      // wander direction.
      if (code != kSlime) {
        slot.WanderDir =
            static_cast<int32_t>(std::floor(kDirectionCount * g.Random.Next() + 1.0)) - 1;
      }
    }
  }
}

}  // namespace

void LoadStage(Game& g) {
  if (g.stages.empty()) {
    const std::string map_path = StageFilePath(g.root, g.StageNumber, ".MAP");
    const StageFileBytes map = ReadStageFile(map_path);
    CheckStageMap(map_path, map);
    g.TileMap.cells = map;
    g.SpawnMap.cells = ReadStageFile(StageFilePath(g.root, g.StageNumber, ".IVM"));
  } else {
    // A pack's stages were compiled and checked when the game started.
    if (g.StageNumber < 1 || g.StageNumber > LastStage(g)) {
      throw FatalError("the pack has no stage " + std::to_string(g.StageNumber));
    }
    const StageGrids& stage = g.stages[static_cast<size_t>(g.StageNumber - 1)];
    g.TileMap.cells = stage.map;
    g.SpawnMap.cells = stage.spawns;
  }

  ScanFor(g, kKeyChest, [&](int32_t x, int32_t y) {
    g.KeyCellX = x;
    g.KeyCellY = y;
  });
  ScanFor(g, kExitDoor, [&](int32_t x, int32_t y) {
    g.ExitCellX = x;
    g.ExitCellY = y;
  });
  ScanFor(g, kStartDoor, [&](int32_t x, int32_t y) {
    g.PlayerX = x * kCellPixels;
    g.PlayerY = (y >= kLowerViewTop ? y - kLowerViewTop : y) * kCellPixels;
    g.StartCellX = x;
    g.StartCellY = y;
  });

  PlaceEnemies(g);

  OpenMusic(g, "main.mid");
  PlayMusic(g, kTrue);

  g.PlayerDir = kRight;
  g.GameFlags.fill(kFalse);
  g.TimeLeft = kStageSeconds;
  g.StageStartTime = Clock(g);
  g.ViewX = 0;
  g.ViewY = g.StartCellY < kLowerViewTop ? 0 : kLowerViewTop;
}

void StartStage(Game& g) {
  TraceEvent(g, "stage", "\"stage\":" + std::to_string(g.StageNumber));
  LoadStage(g);
  RunEntrySequence(g);
}

}  // namespace kolvar
