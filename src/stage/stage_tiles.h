// The map tiles a stage text may use: for each, the character a stage
// writes it with unless its legend says otherwise, its code (core/cell_codes.h
// for the tiles with a rule of play) and its name. Only these codes may stand
// in a map: not the opening pictures of the chest and the doors, nor the
// pictures of the tile sheet that are no tile (assets/TILES.md).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/cell_codes.h"

namespace stagec {

struct StageTile {
  char symbol;
  std::uint8_t code;
  const char* name;
};

inline constexpr StageTile kStageTiles[] = {
    {'_', kolvar::kDarkness, "darkness outside the maze"},
    {'.', kolvar::kFloor, "floor"},
    {'K', kolvar::kKeyChest, "key chest"},
    {'#', 16, "brick wall"},
    {'O', 17, "stone block"},
    {'E', kolvar::kExitDoor, "exit door"},
    {'S', kolvar::kStartDoor, "start door"},
    {'=', 32, "battlement"},
    {'I', 33, "pillar"},
    {'~', 34, "water"},
    {'T', 35, "bush / tree"},
    {'x', 36, "wooden crate"},
    {'s', 37, "torch on a grey stone wall"},
    {'*', 48, "torch on a brick wall"},
    {'o', 49, "boulder"},
    {'b', 50, "barrel"},
    {'&', 51, "statue"},
    {'^', 52, "lava"},
    {'d', 53, "torch on a dark brick wall"},
    {'D', 66, "dark brick"},
    {'M', 67, "mossy wall"},
    {'i', 68, "ice block"},
    {'|', 69, "iron bars"},
    {'B', 80, "bookshelf"},
    {'g', 81, "torch on a gold wall"},
    {'@', 82, "pile of skulls"},
    {'W', 83, "window in a grey stone wall"},
    {'f', 84, "wooden fence"},
    {'$', 85, "gold wall"},
};

// True for the codes of the table.
bool is_map_tile_code(int code);

// The code a character stands for when a stage does not say otherwise.
std::optional<std::uint8_t> default_legend(char c);

// The character a map tile is written with when a stage does not say
// otherwise; nothing for a code that is no map tile.
std::optional<char> default_symbol(std::uint8_t code);

// The tile's name ("key chest"); "tile N" for a code that is no map tile.
std::string tile_name(std::uint8_t code);

}  // namespace stagec
