// The whole state of the program in one struct. Every procedure of the game
// takes it by reference; there are no hidden globals, so a test builds a
// fresh game in one line. What play changes is its base PlayState, so a
// snapshot of play is a plain copy of that.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/cell_codes.h"
#include "core/direction.h"
#include "core/random_source.h"
#include "core/surface.h"
#include "platform/platform.h"
#include "platform/scaling.h"

namespace kolvar {

class Trace;

inline constexpr int kCellPixels = 32;
// The last column and row of the map; also the mask that wraps a cell index
// past the map's edge back onto it.
inline constexpr int32_t kMapLimit = kMapCells - 1;
static_assert((kMapCells & kMapLimit) == 0, "the wrap mask needs a power-of-two map");

// The cell index of a pixel coordinate, rounding toward minus infinity (the
// `/` operator rounds toward zero, which differs for negative coordinates).
inline int32_t FloorCell(int32_t pixels) {
  return pixels >= 0 ? pixels / kCellPixels : -((-pixels + kCellPixels - 1) / kCellPixels);
}

// The steps of the walk cycle: PlayerAnimStep and an enemy's AnimFrame count
// 0 .. kWalkSteps - 1 as they walk (scene/sprites.cpp has their pictures).
inline constexpr int32_t kWalkSteps = 4;

// What a cell outside the map reads as: a wall.
inline constexpr uint8_t kOffGrid = kDarkness;

// Booleans of the game state are 16-bit: true is -1, false is 0.
inline constexpr int16_t kTrue = -1;
inline constexpr int16_t kFalse = 0;

// Entries of GameFlags.
enum Flag {
  kKeyHeld = 0,
  kStageCleared = 1,
  kMiss = 2,
  kUnusedFlag = 3,
  kGameOver = 4,
  kAllClear = 5
};

// A 32 x 32 grid of cell codes addressed (column, row); the column varies
// fastest in memory, as in the stage files.
struct CellGrid {
  std::array<uint8_t, kMapCells * kMapCells> cells{};

  static bool OnGrid(int column, int row) {
    return column >= 0 && row >= 0 && column < kMapCells && row < kMapCells;
  }
  // The code at a cell; a cell off the grid reads as a wall.
  uint8_t Get(int column, int row) const {
    return OnGrid(column, row) ? cells[static_cast<size_t>(row * kMapCells + column)] : kOffGrid;
  }
  // Writes a cell; writes off the grid are dropped.
  void Set(int column, int row, uint8_t code) {
    if (OnGrid(column, row)) cells[static_cast<size_t>(row * kMapCells + column)] = code;
  }

  bool operator==(const CellGrid&) const = default;
};

struct EnemySlot {
  int32_t Kind = kNoEnemy;  // an EnemyKindCode 1..kEnemyKindCount, the placement code
  int32_t X = 0;            // left edge of the 32 x 32 box, map pixels
  int32_t Y = 0;            // top edge, map pixels
  int32_t Facing = kUp;     // a Direction
  int32_t StepWait = 0;     // frames waited since the last acting tick
  int32_t WanderTime = 0;   // acting ticks since the wander direction was drawn
  int32_t WanderDir = kUp;  // a Direction
  int32_t ChaseGate = 0;
  int32_t AnimFrame = 0;  // walk frame 0..3
  int16_t Active = kFalse;

  bool operator==(const EnemySlot&) const = default;
};

// Everything of a game that play changes: the stage's grids and enemies, the
// player and the view, progress, the clock marks, the music's loop state, the
// radar's blink, the text size and the random source. A snapshot of play is a
// plain copy of it; two games whose PlayStates compare equal play on alike
// from the same machine state. A field that play changes belongs here and
// nowhere else in Game.
struct PlayState {
  // Map and placement.
  CellGrid TileMap;
  CellGrid SpawnMap;
  std::array<EnemySlot, kEnemySlots> EnemyTable{};
  int32_t KeyCellX = 0, KeyCellY = 0;
  int32_t ExitCellX = 0, ExitCellY = 0;
  int32_t StartCellX = 0, StartCellY = 0;

  // Player and view. PlayerX/PlayerY are pixels relative to the view's
  // top-left cell (ViewX, ViewY).
  int32_t PlayerX = 0, PlayerY = 0;
  int32_t PlayerDir = kUp;  // a Direction
  int32_t PlayerAnimStep = 0;
  int32_t ViewX = 0, ViewY = 0;

  // Progress.
  std::array<int16_t, 6> GameFlags{};
  int32_t Lives = 0;
  int32_t Score = 0;
  int32_t HiScore = 0;
  int32_t StageNumber = 0;
  int32_t ContinueStage = 0;

  // Clock and pacing (milliseconds of the platform clock).
  int32_t TimeLeft = 0;
  uint32_t StageStartTime = 0;
  uint32_t FrameStartTime = 0;
  uint32_t PaceMark = 0;

  // Music: whether the piece restarts when found stopped, and the last tick
  // of the once-a-second music timer.
  int16_t MusicLoop = kFalse;
  uint32_t BgmTimerMark = 0;

  // Radar blink phase; lives for the whole run.
  int32_t RadarBlink = 0;

  // Point size of the text printed on the screen (HUD, time bonus, prompts);
  // the stage clear and the Z prompt change it.
  int CrtFontPoints = 9;

  RandomSource Random;

  bool operator==(const PlayState&) const = default;
};

// The player's position on the map in pixels: the view's top-left cell plus
// the player's pixels within the view.
inline int32_t PlayerMapX(const PlayState& s) {
  return s.ViewX * kCellPixels + s.PlayerX;
}
inline int32_t PlayerMapY(const PlayState& s) {
  return s.ViewY * kCellPixels + s.PlayerY;
}

// The stages the game plays when none is given: DATA/Stage01 to Stage16.
inline constexpr int32_t kFirstSetStages = 16;

// A stage held in memory, as a pack's stage compiles to: the tile codes and
// the enemy placement, laid out as the stage files are.
struct StageGrids {
  std::array<uint8_t, kMapCells * kMapCells> map{};
  std::array<uint8_t, kMapCells * kMapCells> spawns{};
};

// The game: its play, where it runs and what it draws on. The surfaces are
// only drawn on and shown; nothing of play is decided by reading them, so a
// snapshot leaves them out.
struct Game : PlayState {
  explicit Game(Platform& platform_in, std::string root_in = ".");

  // Where the game runs: the machine, the program's directory (holding DATA/
  // and MIDI/) and an optional trace of what happens.
  Platform* platform;
  std::string root;
  Trace* trace = nullptr;
  // The stages of the pack being played, stage 1 first; empty for the
  // game's own set, read from the data folder's stage files. Play never
  // changes them.
  std::vector<StageGrids> stages;
  // False while a bot searches: play's frames and its scroll, key and exit
  // sequences draw and show nothing, so a frame costs its rules alone. The
  // pictures never steer play (the bots' tests replay the whole games both
  // ways and compare their traces), so the game plays on alike.
  bool draws = true;

  // The window's surfaces: the screen (the picture the platform shows), the
  // back buffer, the three sheets and the radar panel's plain blue.
  Surface Crt{kPictureWidth, kPictureHeight, kBlack};
  Surface B_Crt{352, 372, kBlack};
  Surface Title;
  Surface Chr;
  Surface MapChip;
  Surface Sensor{200, 200, kBlue};
};

// The number of the last stage: the pack's count, else kFirstSetStages.
int32_t LastStage(const Game& game);

// HiScore follows Score when Score has passed it, and the platform keeps the
// new hi-score for the next run.
void RaiseHiScore(Game& game);

}  // namespace kolvar
