#include "cli.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

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
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) {
      err << path << ": error: cannot create: " << std::strerror(errno) << "\n";
      return false;
    }
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      err << path << ": error: cannot write\n";
      std::remove(temp.c_str());
      return false;
    }
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    err << path << ": error: cannot replace: " << std::strerror(errno) << "\n";
    std::remove(temp.c_str());
    return false;
  }
  return true;
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
