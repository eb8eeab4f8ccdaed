// stagec's parser and checks on any text: every problem is a diagnostic with
// a line, and a stage it accepts has its two 1024-byte grids in range.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "stage/stage_compiler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using kolvar::fuzz::Check;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const stagec::CompileResult result = stagec::compile_stage(text);
  Check(result.stage.has_value() != !result.errors.empty(), "a stage and errors at once");
  for (const stagec::Diagnostic& d : result.errors) {
    Check(d.line >= 1, "diagnostic without a line");
    const std::string message = stagec::format_diagnostic("fuzz.txt", d);
    Check(kolvar::fuzz::IsToolMessage(message, "fuzz.txt"), "diagnostic form: " + message);
  }
  if (result.stage) {
    for (uint8_t kind : result.stage->ivm) {
      Check(kind <= kolvar::kEnemyKindCount, "enemy kind above the highest");
    }
  }
  return 0;
}
