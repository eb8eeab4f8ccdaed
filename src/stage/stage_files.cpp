#include "stage/stage_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/fatal_error.h"
#include "platform/data_files.h"

namespace kolvar {

std::string StageFilePath(const std::string& root, int stage_number, const std::string& extension) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%02d", stage_number);
  return ResolveDataFile(root + "/DATA", std::string("Stage") + digits + extension);
}

StageFileBytes ReadStageFile(const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
  if (!file) {
    throw FatalError(path + ": cannot open stage file: " + std::strerror(errno));
  }
  StageFileBytes bytes{};
  const size_t read = std::fread(bytes.data(), 1, bytes.size(), file.get());
  if (std::ferror(file.get())) {
    throw FatalError(path + ": cannot read stage file: " + std::strerror(errno));
  }
  if (read < bytes.size()) {
    throw FatalError(path + ": stage file is " + std::to_string(read) +
                     " bytes long; it must be exactly 1024");
  }
  if (std::fgetc(file.get()) != EOF) {
    throw FatalError(path + ": stage file is longer than 1024 bytes; it must be exactly 1024");
  }
  return bytes;
}

}  // namespace kolvar
