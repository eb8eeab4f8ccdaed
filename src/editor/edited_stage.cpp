#include "editor/edited_stage.h"

#include "stage/stage_text.h"
#include "stage/stage_tiles.h"

namespace kolvar {

namespace {

// The hall of a new stage: its walls on the radar's part of the map, the
// start door in the left wall a row below the top.
constexpr int kHallRight = stagec::kRadarColumns - 1;
constexpr int kHallBottom = stagec::kRadarRows - 1;
constexpr int kNewStartRow = 1;
constexpr uint8_t kBrickWall = 16;

// How many header lines come before the grid: the title, one per enemy
// written on its own line, and "map:".
int HeaderLines(const EditedStage& stage) {
  int lines = 2;
  for (int cell = 0; cell < stagec::kCells; ++cell) {
    if (stage.enemies[cell] != kNoEnemy && stage.map[cell] != kFloor) ++lines;
  }
  return lines;
}

}  // namespace

EditedStage NewStage(const std::string& title) {
  EditedStage stage;
  stage.title = title;
  for (int row = 0; row <= kHallBottom; ++row) {
    for (int column = 0; column <= kHallRight; ++column) {
      const bool wall = row == 0 || column == 0 || row == kHallBottom || column == kHallRight;
      stage.map[stagec::cell_index(column, row)] = wall ? kBrickWall : kFloor;
    }
  }
  stage.map[stagec::cell_index(0, kNewStartRow)] = kStartDoor;
  return stage;
}

std::string StageText(const EditedStage& stage) {
  std::string text = "title: " + stage.title + "\n";
  for (int row = 0; row < stagec::kRows; ++row) {
    for (int column = 0; column < stagec::kColumns; ++column) {
      const uint8_t kind = stage.Enemy(column, row);
      if (kind != kNoEnemy && stage.Tile(column, row) != kFloor) {
        text += "enemy: " + std::to_string(kind) + " " + std::to_string(column) + " " +
                std::to_string(row) + "\n";
      }
    }
  }
  text += "map:\n";
  for (int row = 0; row < stagec::kRows; ++row) {
    for (int column = 0; column < stagec::kColumns; ++column) {
      const uint8_t kind = stage.Enemy(column, row);
      const uint8_t tile = stage.Tile(column, row);
      if (kind != kNoEnemy && tile == kFloor) {
        text += static_cast<char>('0' + kind);
      } else {
        // A code that is no map tile cannot be drawn with the palette; it
        // is written as darkness rather than as a character nobody reads.
        text += stagec::default_symbol(tile).value_or('_');
      }
    }
    text += '\n';
  }
  return text;
}

int StageTextRowLine(const EditedStage& stage, int row) {
  return HeaderLines(stage) + row + 1;
}

EditedStage ReadStageText(std::string_view text, std::vector<std::string>& problems) {
  std::vector<stagec::Diagnostic> errors;
  const stagec::StageSource source = stagec::read_stage_text(text, errors);
  for (const stagec::Diagnostic& d : errors) {
    problems.push_back("line " + std::to_string(d.line) + ": " + d.message);
  }
  EditedStage stage;
  stage.title = source.title;
  if (!source.grid_ok) return stage;
  stage.map = source.map;
  for (const stagec::PlacedEnemy& e : source.enemies) {
    stage.enemies[stagec::cell_index(e.column, e.row)] = static_cast<uint8_t>(e.kind);
  }
  return stage;
}

std::optional<StageGrids> PlayableGrids(const EditedStage& stage) {
  const stagec::CompileResult compiled = stagec::compile_stage(StageText(stage));
  if (!compiled.stage) return std::nullopt;
  StageGrids grids;
  grids.map = compiled.stage->map;
  grids.spawns = compiled.stage->ivm;
  return grids;
}

}  // namespace kolvar
