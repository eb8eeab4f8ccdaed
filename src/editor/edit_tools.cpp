#include "editor/edit_tools.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace kolvar {

namespace {

// What an old start door, key chest or exit door becomes when another is
// put down.
constexpr uint8_t kBrickWall = 16;

bool OnMap(int column, int row) {
  return column >= 0 && row >= 0 && column < stagec::kColumns && row < stagec::kRows;
}

bool IsUnique(uint8_t code) {
  return code == kStartDoor || code == kKeyChest || code == kExitDoor;
}

}  // namespace

void PutItem(EditedStage& stage, int column, int row, const PaletteItem& item) {
  if (!OnMap(column, row)) return;
  const int cell = stagec::cell_index(column, row);
  if (item.enemy) {
    if (item.code != stagec::kGhostKind && stage.map[cell] != kFloor) stage.map[cell] = kFloor;
    stage.enemies[cell] = item.code;
    return;
  }
  if (IsUnique(item.code)) {
    for (uint8_t& code : stage.map) {
      if (code == item.code) code = kBrickWall;
    }
  }
  stage.map[cell] = item.code;
  stage.enemies[cell] = kNoEnemy;
}

void EraseCell(EditedStage& stage, int column, int row) {
  if (!OnMap(column, row)) return;
  const int cell = stagec::cell_index(column, row);
  stage.map[cell] = kDarkness;
  stage.enemies[cell] = kNoEnemy;
}

void PutRectangle(EditedStage& stage, int column0, int row0, int column1, int row1,
                  const PaletteItem& item) {
  for (int row = std::min(row0, row1); row <= std::max(row0, row1); ++row) {
    for (int column = std::min(column0, column1); column <= std::max(column0, column1); ++column) {
      PutItem(stage, column, row, item);
    }
  }
}

void FillFrom(EditedStage& stage, int column, int row, const PaletteItem& item) {
  if (!OnMap(column, row)) return;
  // There is one of each door and the chest: a fill puts it on the cell.
  if (!item.enemy && IsUnique(item.code)) {
    PutItem(stage, column, row, item);
    return;
  }
  const uint8_t tile = stage.Tile(column, row);
  const uint8_t enemy = stage.Enemy(column, row);
  // The region first, then the item on it: putting a door can change
  // cells elsewhere, which must not steer the search.
  std::vector<bool> seen(stagec::kCells, false);
  std::vector<std::pair<int, int>> todo = {{column, row}}, region;
  seen[static_cast<size_t>(stagec::cell_index(column, row))] = true;
  while (!todo.empty()) {
    const auto [c, r] = todo.back();
    todo.pop_back();
    region.emplace_back(c, r);
    const std::pair<int, int> next[] = {{c + 1, r}, {c - 1, r}, {c, r + 1}, {c, r - 1}};
    for (const auto& [nc, nr] : next) {
      if (!OnMap(nc, nr)) continue;
      const auto cell = static_cast<size_t>(stagec::cell_index(nc, nr));
      if (seen[cell] || stage.Tile(nc, nr) != tile || stage.Enemy(nc, nr) != enemy) continue;
      seen[cell] = true;
      todo.emplace_back(nc, nr);
    }
  }
  for (const auto& [c, r] : region) PutItem(stage, c, r, item);
}

}  // namespace kolvar
