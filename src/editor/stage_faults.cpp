#include "editor/stage_faults.h"

#include <cstdio>

namespace kolvar {

namespace {

// The first "column C row R" of a message: the cell the compiler names first
// is the one at fault (the enemy, the door, the floor).
bool CellNamed(const std::string& message, int* column, int* row) {
  for (size_t at = message.find("column "); at != std::string::npos;
       at = message.find("column ", at + 1)) {
    int c = 0, r = 0;
    if (std::sscanf(message.c_str() + at, "column %d row %d", &c, &r) == 2 && c >= 0 &&
        c < stagec::kColumns && r >= 0 && r < stagec::kRows) {
      *column = c;
      *row = r;
      return true;
    }
  }
  return false;
}

}  // namespace

std::vector<StageFault> FindStageFaults(const EditedStage& stage) {
  const stagec::CompileResult result = stagec::compile_stage(StageText(stage));
  std::vector<StageFault> faults;
  const int first_row_line = StageTextRowLine(stage, 0);
  for (const stagec::Diagnostic& d : result.errors) {
    StageFault fault{d.message};
    if (!CellNamed(d.message, &fault.column, &fault.row)) {
      const int row = d.line - first_row_line;
      if (row >= 0 && row < stagec::kRows) fault.row = row;
    }
    faults.push_back(std::move(fault));
  }
  return faults;
}

}  // namespace kolvar
