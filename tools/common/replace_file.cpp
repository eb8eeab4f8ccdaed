#include "replace_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace kolvar::tools {

std::string TemporaryFor(const std::string& path) {
  return path + ".tmp";
}

std::optional<ReplaceFault> ReplaceFile(const std::string& path, std::string_view bytes) {
  const std::string temporary = TemporaryFor(path);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(temporary.c_str(), "wb"),
                                                      &std::fclose);
  if (!out) return ReplaceFault{ReplaceFault::Step::kCreate, std::strerror(errno)};
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out.get()) == bytes.size();
  const int write_errno = errno;
  if (std::fclose(out.release()) != 0 || !written) {
    const std::string reason = std::strerror(written ? errno : write_errno);
    std::remove(temporary.c_str());
    return ReplaceFault{ReplaceFault::Step::kWrite, reason};
  }
  return CommitTemporary(path);
}

std::optional<ReplaceFault> CommitTemporary(const std::string& path) {
  const std::string temporary = TemporaryFor(path);
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    const std::string reason = std::strerror(errno);
    std::remove(temporary.c_str());
    return ReplaceFault{ReplaceFault::Step::kReplace, reason};
  }
  return std::nullopt;
}

}  // namespace kolvar::tools
