// Writes a sheet as a PNG picture, to look at the art as the game will show it.
#pragma once

#include <string>

#include "sheet_compose.h"

namespace sheetc {

// Each sheet pixel becomes a scale x scale block. Throws ArtError naming the
// file if it cannot be written.
void WritePng(const Sheet& sheet, const std::string& path, int scale);

}  // namespace sheetc
