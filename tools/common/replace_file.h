// Writing a compiled asset: through a temporary file beside the target that
// is renamed over it once whole, so a failed or killed run never leaves half
// a file that the build would take as up to date. Every asset compiler
// writes its output this way.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kolvar::tools {

// Where writing through a temporary file went wrong, for the compiler to
// word in its own messages.
struct ReplaceFault {
  enum class Step {
    kCreate,   // the temporary could not be made (no such folder, no right)
    kWrite,    // its bytes could not be written
    kReplace,  // it could not be renamed over the target
  };
  Step step;
  std::string reason;  // the system's words for the failing call
};

// The temporary beside `path` that its new bytes are written to.
std::string TemporaryFor(const std::string& path);

// Writes `bytes` to TemporaryFor(path) and renames it over `path`. On a
// fault the temporary is removed and `path` is left as it was.
std::optional<ReplaceFault> ReplaceFile(const std::string& path, std::string_view bytes);

// For a compiler that streams its output into TemporaryFor(path) itself:
// renames the finished temporary over `path`, or removes it when the
// rename fails.
std::optional<ReplaceFault> CommitTemporary(const std::string& path);

}  // namespace kolvar::tools
