#include "cli.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>

#include "replace_file.h"
#include "stage/stage_compiler.h"

namespace stagec {
namespace {

constexpr const char* kUsage =
    "usage: stagec STAGE.txt OUT.MAP OUT.IVM\n"
    "       stagec --check STAGE.txt...\n";

bool read_file(const std::string& path, std::string& text, std::ostream& err) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    err << path << ": error: cannot open: " << std::strerror(errno) << "\n";
    return false;
  }
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) {
    err << path << ": error: cannot read\n";
    return false;
  }
  text = buffer.str();
  return true;
}

// Writes through a temporary file so a failed build never leaves half a stage behind.
bool write_file(const std::string& path, const Grid& bytes, std::ostream& err) {
  using Step = kolvar::tools::ReplaceFault::Step;
  const std::optional<kolvar::tools::ReplaceFault> fault = kolvar::tools::ReplaceFile(
      path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  if (!fault) return true;
  switch (fault->step) {
    case Step::kCreate:
      err << path << ": error: cannot create: " << fault->reason << "\n";
      break;
    case Step::kWrite:
      err << path << ": error: cannot write\n";
      break;
    case Step::kReplace:
      err << path << ": error: cannot replace: " << fault->reason << "\n";
      break;
  }
  return false;
}

std::optional<CompiledStage> load(const std::string& path, std::ostream& err) {
  std::string text;
  if (!read_file(path, text, err)) return std::nullopt;
  auto result = compile_stage(text);
  for (const auto& d : result.errors) err << format_diagnostic(path, d) << "\n";
  return std::move(result.stage);
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& err) {
  if (!args.empty() && args[0] == "--check") {
    if (args.size() < 2) {
      err << kUsage;
      return 2;
    }
    int status = 0;
    for (std::size_t i = 1; i < args.size(); ++i) {
      if (!load(args[i], err)) status = 1;
    }
    return status;
  }
  if (args.size() != 3 || args[0].starts_with("-")) {
    err << kUsage;
    return 2;
  }
  const auto stage = load(args[0], err);
  if (!stage) return 1;
  if (!write_file(args[1], stage->map, err) || !write_file(args[2], stage->ivm, err)) return 1;
  return 0;
}

}  // namespace stagec
