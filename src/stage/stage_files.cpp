#include "stage/stage_files.h"

#include <algorithm>
#include <cstdio>

#include "core/fatal_error.h"
#include "core/game.h"
#include "platform/data_files.h"
#include "platform/regular_file.h"

namespace kolvar {

std::string StageFilePath(const std::string& root, int stage_number, const std::string& extension) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%02d", stage_number);
  return ResolveDataPath(root, std::string("DATA/Stage") + digits + extension);
}

StageFileBytes ReadStageFile(const std::string& path) {
  const RegularFile file = ReadRegularFile(path, kStageFileBytes);
  switch (file.status) {
    case RegularFile::Status::kRead:
      break;
    case RegularFile::Status::kNotRegular:
      throw FatalError(path + ": stage file is " + file.reason);
    case RegularFile::Status::kTooLarge:
      throw FatalError(path + ": stage file is longer than 1024 bytes; it must be exactly 1024");
    default:
      throw FatalError(path + ": cannot open stage file: " + file.reason);
  }
  if (file.bytes.size() < kStageFileBytes) {
    throw FatalError(path + ": stage file is " + std::to_string(file.bytes.size()) +
                     " bytes long; it must be exactly 1024");
  }
  StageFileBytes bytes{};
  std::copy(file.bytes.begin(), file.bytes.end(), bytes.begin());
  return bytes;
}

}  // namespace kolvar
