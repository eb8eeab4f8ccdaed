#include "stage/stage_rules.h"

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <string>
#include <utility>

#include "stage/stage_tiles.h"

namespace stagec {
namespace {

struct Position {
  int column = -1;
  int row = -1;
  bool found() const { return column >= 0; }
};

// The four neighbours of a cell: right, left, below, above.
constexpr int kDc[] = {1, -1, 0, 0};
constexpr int kDr[] = {0, 0, 1, -1};

class RuleChecker {
 public:
  RuleChecker(StageSource& stage, std::vector<Diagnostic>& errors)
      : stage_(stage), enemies_(stage.enemies), errors_(errors) {}

  void run() {
    check_floor_extent();
    const Position start = find_unique(kStartDoor);
    const Position key = find_unique(kKeyChest);
    const Position exit = find_unique(kExitDoor);
    bool start_ok = start.found();
    if (start.found()) start_ok = check_start_door(start);
    check_enemies(start);
    if (start.found()) check_under_hud(start, key, exit);
    if (start_ok) check_reachability(start, key, exit);
    if (start_ok && key.found() && exit.found() && errors_.empty()) {
      check_choke_points(start, key, exit);
    }
  }

 private:
  void error(int line, std::string message) { errors_.push_back({line, std::move(message)}); }

  int row_line(int row) const { return stage_.row_lines[static_cast<std::size_t>(row)]; }

  std::uint8_t tile(int column, int row) const { return stage_.map[cell_index(column, row)]; }
  bool is_floor(int column, int row) const {
    return column >= 0 && column < kColumns && row >= 0 && row < kRows &&
           tile(column, row) == kFloor;
  }

  // Finds the one cell holding `code`, reporting a missing or repeated one.
  Position find_unique(std::uint8_t code) {
    const std::string name = tile_name(code);
    Position first;
    for (int row = 0; row < kRows; ++row) {
      for (int column = 0; column < kColumns; ++column) {
        if (tile(column, row) != code) continue;
        if (!first.found()) {
          first = {column, row};
        } else {
          error(row_line(row), "a second " + name + " at " + cell_name(column, row) +
                                   " (the first is at " + cell_name(first.column, first.row) +
                                   ", line " + std::to_string(row_line(first.row)) + ")");
        }
      }
    }
    if (!first.found()) {
      error(stage_.map_line, "the map has no " + name + " (tile " + std::to_string(code) + ")");
    }
    return first;
  }

  void check_floor_extent() {
    for (int row = 0; row < kRows; ++row) {
      for (int column = 0; column < kColumns; ++column) {
        if (tile(column, row) != kFloor) continue;
        if (row == 0 || column == 0 || row == kRows - 1 || column == kColumns - 1) {
          error(row_line(row), "floor at " + cell_name(column, row) +
                                   " touches the map's outer edge; close it with a wall");
        } else if (column >= kRadarColumns || row >= kRadarRows) {
          error(row_line(row), "floor at " + cell_name(column, row) +
                                   " lies outside the radar's view (columns 0.." +
                                   std::to_string(kRadarColumns - 1) + ", rows 0.." +
                                   std::to_string(kRadarRows - 1) +
                                   "): a rule of good stages, whose every floor cell the radar "
                                   "shows (the game plays such a map as it is)");
        }
      }
    }
  }

  // What the player needs to see must never sit under the HUD's text: no
  // key chest, door or enemy start in a cell of the view's top row that the
  // text covers, at any view position.
  void check_under_hud(Position start, Position key, Position exit) {
    const int first_top = start.row < kolvar::kLowerViewTop ? 0 : kolvar::kLowerViewTop;
    const auto under_hud = [&](int column, int row) {
      return (row - first_top) % kViewRows == 0 && row >= first_top &&
             kHudTextViewColumns[static_cast<std::size_t>(column % kViewColumns)];
    };
    const auto report = [&](int line, const std::string& what, int column, int row) {
      error(line, what + " at " + cell_name(column, row) +
                      " lies under the HUD's text when the view's " + "top row is row " +
                      std::to_string(row) +
                      "; move it to another row, or to a column whose place in the view is " +
                      "3, 6, 7, 8 or 9");
    };
    for (const Position& where : {start, key, exit}) {
      if (where.found() && under_hud(where.column, where.row)) {
        report(row_line(where.row), "the " + tile_name(tile(where.column, where.row)), where.column,
               where.row);
      }
    }
    for (const PlacedEnemy& e : enemies_) {
      if (under_hud(e.column, e.row)) {
        report(e.line, "the start of the enemy of kind " + std::to_string(e.kind), e.column, e.row);
      }
    }
  }

  bool check_start_door(Position start) {
    const int line = row_line(start.row);
    if (start.column > kStartMaxColumn || start.row > kStartMaxRow) {
      error(line, "the start door at " + cell_name(start.column, start.row) +
                      " must be in columns 0.." + std::to_string(kStartMaxColumn) + ", rows 0.." +
                      std::to_string(kStartMaxRow));
      return false;
    }
    // The player walks out of the door to the right and needs room to stand there.
    for (int step = 1; step <= 2; ++step) {
      if (!is_floor(start.column + step, start.row)) {
        error(line, "the start door at " + cell_name(start.column, start.row) +
                        " needs floor on the two cells to its right; " +
                        cell_name(start.column + step, start.row) + " is not floor");
        return false;
      }
    }
    return true;
  }

  void check_enemies(Position start) {
    std::sort(enemies_.begin(), enemies_.end(),
              [](const PlacedEnemy& a, const PlacedEnemy& b) { return a.line < b.line; });
    if (static_cast<int>(enemies_.size()) > kMaxEnemies) {
      error(enemies_[kMaxEnemies].line, "too many enemies: " + std::to_string(enemies_.size()) +
                                            ", the game places at most " +
                                            std::to_string(kMaxEnemies));
    }
    for (std::size_t i = 0; i < enemies_.size(); ++i) {
      const PlacedEnemy& e = enemies_[i];
      const std::string who =
          "enemy of kind " + std::to_string(e.kind) + " at " + cell_name(e.column, e.row);
      check_enemy_place(e, who, start);
      for (std::size_t j = 0; j < i; ++j) {
        const PlacedEnemy& o = enemies_[j];
        if (std::abs(e.column - o.column) <= 1 && std::abs(e.row - o.row) <= 1) {
          const bool same = e.column == o.column && e.row == o.row;
          error(e.line, who + (same ? " shares its cell with" : " stands next to") +
                            " the enemy of kind " + std::to_string(o.kind) + " from line " +
                            std::to_string(o.line) + "; keep a cell between enemies");
        }
      }
    }
  }

  // Where one enemy may start: the wall walker inside its bounds, every
  // other kind on floor, and none close to the start door.
  void check_enemy_place(const PlacedEnemy& e, const std::string& who, Position start) {
    if (e.kind == kGhostKind) {
      if (e.column < kGhostMinColumn || e.column > kGhostMaxColumn || e.row < kGhostMinRow ||
          e.row > kGhostMaxRow) {
        error(e.line, who + " is outside the ghost's bounds (columns " +
                          std::to_string(kGhostMinColumn) + ".." + std::to_string(kGhostMaxColumn) +
                          ", rows " + std::to_string(kGhostMinRow) + ".." +
                          std::to_string(kGhostMaxRow) + ")");
      }
    } else if (!is_floor(e.column, e.row)) {
      error(e.line, who + " is not on floor (tile " + std::to_string(tile(e.column, e.row)) + ")");
    }
    if (start.found() && std::abs(e.column - start.column) <= kStartSafeRadius &&
        std::abs(e.row - start.row) <= kStartSafeRadius) {
      error(e.line, who + " is within " + std::to_string(kStartSafeRadius) +
                        " cells of the start door at " + cell_name(start.column, start.row));
    }
  }

  // The floor the player can walk to from the start door, treating
  // `blocked` as a wall and, with `chest_open`, the key chest as floor.
  std::array<bool, kCells> reachable(Position start, Position key, Position blocked,
                                     bool chest_open) const {
    std::array<bool, kCells> reached{};
    const auto walkable = [&](int c, int r) {
      if (c == blocked.column && r == blocked.row) return false;
      return is_floor(c, r) || (chest_open && c == key.column && r == key.row);
    };
    std::deque<Position> queue;
    reached[cell_index(start.column + 1, start.row)] = true;
    queue.push_back({start.column + 1, start.row});
    while (!queue.empty()) {
      const Position p = queue.front();
      queue.pop_front();
      for (int d = 0; d < 4; ++d) {
        const int c = p.column + kDc[d];
        const int r = p.row + kDr[d];
        if (!walkable(c, r) || reached[cell_index(c, r)]) continue;
        reached[cell_index(c, r)] = true;
        queue.push_back({c, r});
      }
    }
    return reached;
  }

  static bool touches(const std::array<bool, kCells>& reached, Position p) {
    for (int d = 0; d < 4; ++d) {
      const int c = p.column + kDc[d];
      const int r = p.row + kDr[d];
      if (c >= 0 && r >= 0 && c < kColumns && r < kRows && reached[cell_index(c, r)]) return true;
    }
    return false;
  }

  // An enemy that starts on a cell every way to the chest (or on from the
  // chest to the exit) has to cross can hold the whole stage up: the player
  // can only wait for it to leave, or slip through its sprite.
  void check_choke_points(Position start, Position key, Position exit) {
    for (const PlacedEnemy& e : enemies_) {
      if (e.kind == kGhostKind || !is_floor(e.column, e.row)) continue;
      const Position here{e.column, e.row};
      const std::string who =
          "enemy of kind " + std::to_string(e.kind) + " at " + cell_name(e.column, e.row);
      if (!touches(reachable(start, key, here, false), key)) {
        error(e.line, who + " stands where every way to the key chest passes; move it aside");
      } else if (!touches(reachable(start, key, here, true), exit)) {
        error(e.line, who + " stands where every way to the exit door passes; move it aside");
      }
    }
  }

  void check_reachability(Position start, Position key, Position exit) {
    const std::array<bool, kCells> reached = reachable(start, key, {-1, -1}, false);
    const auto touches_reached = [&](Position p) {
      for (int d = 0; d < 4; ++d) {
        const int c = p.column + kDc[d];
        const int r = p.row + kDr[d];
        if (is_floor(c, r) && reached[cell_index(c, r)]) return true;
      }
      return false;
    };
    if (key.found() && !touches_reached(key)) {
      error(row_line(key.row), "the key chest at " + cell_name(key.column, key.row) +
                                   " cannot be reached from the start door");
    }
    if (exit.found() && !touches_reached(exit)) {
      error(row_line(exit.row), "the exit door at " + cell_name(exit.column, exit.row) +
                                    " cannot be reached from the start door");
    }
    for (const PlacedEnemy& e : enemies_) {
      if (e.kind == kGhostKind || !is_floor(e.column, e.row)) continue;
      if (!reached[cell_index(e.column, e.row)]) {
        error(e.line, "enemy of kind " + std::to_string(e.kind) + " at " +
                          cell_name(e.column, e.row) +
                          " stands on floor the player can never reach");
      }
    }
  }

  StageSource& stage_;
  std::vector<PlacedEnemy>& enemies_;
  std::vector<Diagnostic>& errors_;
};

}  // namespace

void check_stage_rules(StageSource& stage, std::vector<Diagnostic>& errors) {
  RuleChecker(stage, errors).run();
}

}  // namespace stagec
