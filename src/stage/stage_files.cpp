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

namespace {

// The name of a cell the player walks on, or of one that turns into floor in
// play (the start door behind the player, the chest once the key is taken,
// the exit door as it opens); null for every other code.
const char* WalkableName(uint8_t code) {
  switch (code) {
    case kFloor:
      return "floor";
    case kStartDoor:
      return "start door";
    case kKeyChest:
      return "key chest";
    case kExitDoor:
      return "exit door";
    default:
      return nullptr;
  }
}

std::string Range(int columns, int rows) {
  return "(columns 0.." + std::to_string(columns - 1) + ", rows 0.." + std::to_string(rows - 1) +
         ")";
}

}  // namespace

void CheckStageMap(const std::string& path, const StageFileBytes& map) {
  constexpr int kLast = kMapCells - 1;
  for (int row = 0; row < kMapCells; ++row) {
    for (int column = 0; column < kMapCells; ++column) {
      const uint8_t code = map[static_cast<size_t>(row * kMapCells + column)];
      const char* name = WalkableName(code);
      if (!name) continue;
      const std::string cell = path + ": " + name + " at column " + std::to_string(column) +
                               " row " + std::to_string(row);
      if (code == kFloor) {
        if (row == 0 || column == 0 || row == kLast || column == kLast) {
          throw FatalError(cell + " touches the map's outer edge");
        }
        if (column >= kRadarViewColumns || row >= kRadarViewRows) {
          throw FatalError(cell + " lies outside the radar's view " +
                           Range(kRadarViewColumns, kRadarViewRows));
        }
      } else if (column > kRadarViewColumns || row > kRadarViewRows) {
        throw FatalError(cell + " lies outside the radar's view and the wall around it " +
                         Range(kRadarViewColumns + 1, kRadarViewRows + 1));
      }
    }
  }
}

}  // namespace kolvar
