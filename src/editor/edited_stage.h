// A stage as the editor holds it: its title, the tile of each cell and the
// enemy standing on each, read from and written to the stage text that
// `--stages` and `--check-stages` read (assets/stages/README.md).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/game.h"
#include "stage/stage_compiler.h"

namespace kolvar {

struct EditedStage {
  std::string title;
  stagec::Grid map{};      // tile codes
  stagec::Grid enemies{};  // enemy kind on each cell, kNoEnemy for none

  uint8_t Tile(int column, int row) const { return map[stagec::cell_index(column, row)]; }
  uint8_t Enemy(int column, int row) const { return enemies[stagec::cell_index(column, row)]; }
  bool operator==(const EditedStage&) const = default;
};

// The stage a new pack or a new stage starts from: one walled hall with the
// start door in its left wall, waiting for its key chest, exit door and
// enemies.
EditedStage NewStage(const std::string& title);

// The stage's text: the title, an `enemy:` line for each enemy not on floor
// (a wraith in a wall), and the 32 rows written with each tile's own
// character and each enemy on floor as its digit. Reading it back gives the
// same stage.
std::string StageText(const EditedStage& stage);

// The text line of map row `row` in StageText's text.
int StageTextRowLine(const EditedStage& stage, int row);

// Reads a stage text as the compiler does; a text whose grid cannot be read
// (a fault of its form, `problems` says which) gives an empty stage with
// what could be read of the title. Rules of play are not checked here.
EditedStage ReadStageText(std::string_view text, std::vector<std::string>& problems);

// The stage as the game plays it: its text compiled, or nothing when the
// compiler finds a fault.
std::optional<StageGrids> PlayableGrids(const EditedStage& stage);

}  // namespace kolvar
