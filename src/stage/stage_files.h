// The two files of a stage: DATA/StageNN.MAP (tile codes) and
// DATA/StageNN.IVM (enemy placement), 1024 bytes each, byte k being the cell
// at column k mod 32, row k div 32.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kolvar {

inline constexpr size_t kStageFileBytes = 1024;
using StageFileBytes = std::array<uint8_t, kStageFileBytes>;

// Path of a stage file: <root>/DATA/Stage<nn><extension>, nn with at least
// two digits; extension ".MAP" or ".IVM". The folder and the file are matched
// without regard to letter case (data/stage01.map).
std::string StageFilePath(const std::string& root, int stage_number, const std::string& extension);

// Reads a stage file whole. A file that is missing, unreadable, no regular
// file (a FIFO is refused, not waited on), or not exactly 1024 bytes long
// throws FatalError naming the path and the fault.
StageFileBytes ReadStageFile(const std::string& path);

}  // namespace kolvar
