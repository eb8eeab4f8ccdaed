// The two files of a stage: DATA/StageNN.MAP (tile codes) and
// DATA/StageNN.IVM (enemy placement), 1024 bytes each, byte k being the cell
// at column k mod 32, row k div 32.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "scene/radar.h"

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

// The part of the map the radar panel shows, at an eighth of its size: the
// top-left 26 columns and 12 rows. The stages are drawn on it; walkable
// cells further out let the view scroll past the map and the player walk
// off it.
inline constexpr int kRadarViewColumns = kRadarWidth * 8 / kCellPixels;
inline constexpr int kRadarViewRows = kRadarHeight * 8 / kCellPixels;

// Checks that a stage map (the bytes of `path`) keeps the player on the map.
// Floor must lie on the radar's view and not touch the map's outer edge. The
// start door, the key chest and the exit door turn into floor during play,
// but they stand in walls, often the outer wall, beside the floor: each may
// lie on the radar's view or in the column and row of wall just beyond it.
// Throws FatalError naming `path` and the first cell, row by row, that
// breaks this.
void CheckStageMap(const std::string& path, const StageFileBytes& map);

}  // namespace kolvar
