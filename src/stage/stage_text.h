// The stage compiler's text reader: the header lines (title, legend, enemy,
// map) and the grid, with every problem of the text's form reported. What
// it reads is checked against the rules of play by stage_rules.h.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "stage/stage_compiler.h"

namespace stagec {

struct PlacedEnemy {
  int kind = 0;
  int column = 0;
  int row = 0;
  int line = 0;  // the line that placed it: a grid row or an 'enemy:' line
};

// A stage as its text gives it.
struct StageSource {
  std::string title;
  int map_line = 0;      // the line of 'map:'; 0 when there is none
  bool grid_ok = false;  // 32 rows of 32 known characters
  Grid map{};            // tile codes; an enemy's digit is floor
  std::vector<PlacedEnemy> enemies;
  std::array<int, kRows> row_lines{};  // the text line of each grid row
};

// Reads a stage text, adding every problem of its form to `errors`.
StageSource read_stage_text(std::string_view text, std::vector<Diagnostic>& errors);

// "column C row R", as the messages name a cell.
std::string cell_name(int column, int row);

}  // namespace stagec
