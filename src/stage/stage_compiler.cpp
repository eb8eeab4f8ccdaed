#include "stage/stage_compiler.h"

#include <utility>

#include "stage/stage_rules.h"
#include "stage/stage_text.h"

namespace stagec {

CompileResult compile_stage(std::string_view text) {
  std::vector<Diagnostic> errors;
  StageSource stage = read_stage_text(text, errors);
  // The rules of play only make sense on a complete, readable grid.
  if (stage.grid_ok && errors.empty()) check_stage_rules(stage, errors);

  CompileResult result;
  result.errors = std::move(errors);
  if (result.errors.empty()) {
    CompiledStage compiled;
    compiled.title = stage.title;
    compiled.map = stage.map;
    for (const PlacedEnemy& e : stage.enemies) {
      compiled.ivm[cell_index(e.column, e.row)] = static_cast<std::uint8_t>(e.kind);
    }
    result.stage = std::move(compiled);
  }
  return result;
}

std::string format_diagnostic(std::string_view file, const Diagnostic& d) {
  return std::string(file) + ":" + std::to_string(d.line) + ": error: " + d.message;
}

}  // namespace stagec
