// Compiles a readable text stage into the two 1024-byte files the game loads:
// StageNN.MAP (one tile code per cell) and StageNN.IVM (one enemy kind per cell,
// 0 for none). Byte k of each file is the cell at column k % 32, row k / 32.
//
// The text format is described in assets/stages/README.md. The compiler is
// the text reader (stage_text.h), the rules of play (stage_rules.h) and the
// table of tiles a stage may use (stage_tiles.h).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/cell_codes.h"
#include "stage/stage_tiles.h"

namespace stagec {

inline constexpr int kColumns = kolvar::kMapCells;
inline constexpr int kRows = kolvar::kMapCells;
inline constexpr int kCells = kColumns * kRows;

// Tile codes with a rule attached to them, as the game reads them.
using kolvar::kDarkness;
using kolvar::kExitDoor;
using kolvar::kFloor;
using kolvar::kKeyChest;
using kolvar::kStartDoor;

// Enemy kinds are 1..kEnemyKindCount, and the game spawns at most
// kMaxEnemies of them per stage.
using kolvar::kEnemyKindCount;
inline constexpr int kMaxEnemies = kolvar::kEnemySlots;
// The wraith walks through walls, and the game keeps it inside these cells.
// The stage texts and the messages call it the ghost.
inline constexpr int kGhostKind = kolvar::kWraith;
inline constexpr int kGhostMinColumn = 1, kGhostMaxColumn = 26;
inline constexpr int kGhostMinRow = 1, kGhostMaxRow = 12;
// The overview radar draws this part of the map. A rule of good stages, not
// of play: all their floor lies on it, so the radar shows every place the
// player can be (the game plays a map that breaks it as it is).
inline constexpr int kRadarColumns = 26;
inline constexpr int kRadarRows = 12;
// Where the start door may stand (the first view has to show it).
inline constexpr int kStartMaxColumn = 9;
inline constexpr int kStartMaxRow = 12;
// No enemy may stand this close (in cells, either axis) to the start door.
inline constexpr int kStartSafeRadius = 4;
// The view is 10 x 7 cells and scrolls a whole view at a time, so its top
// row is a row 7 k from the first view's (row 0, or row 6 when the start door
// is in row 6 or below) and its left column a multiple of 10. The HUD's
// score and time stand over these columns of the view's top row (the
// spaces between them over column 3, the lives and the key over 7 to 9);
// no key chest, door or enemy start may lie there, hidden under the text.
inline constexpr std::array<bool, 10> kHudTextViewColumns = {true, true,  true,  false, true,
                                                             true, false, false, false, false};
using kolvar::kViewColumns;
using kolvar::kViewRows;

using Grid = std::array<std::uint8_t, kCells>;

constexpr int cell_index(int column, int row) {
  return row * kColumns + column;
}

struct Diagnostic {
  int line = 0;  // 1-based line in the stage text
  std::string message;
};

struct CompiledStage {
  std::string title;
  Grid map{};  // tile codes
  Grid ivm{};  // enemy kinds, 0 for none
};

struct CompileResult {
  std::optional<CompiledStage> stage;  // set only when there are no errors
  std::vector<Diagnostic> errors;
};

// Parses and checks a whole stage. Every problem found is reported; the stage is
// returned only when there is none.
CompileResult compile_stage(std::string_view text);

// "file:line: error: message", the form compilers and editors understand.
std::string format_diagnostic(std::string_view file, const Diagnostic& d);

}  // namespace stagec
