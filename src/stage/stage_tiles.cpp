#include "stage/stage_tiles.h"

#include <string>

namespace stagec {
namespace {

const StageTile* find_code(int code) {
  for (const StageTile& tile : kStageTiles) {
    if (tile.code == code) return &tile;
  }
  return nullptr;
}

}  // namespace

bool is_map_tile_code(int code) {
  return find_code(code) != nullptr;
}

std::optional<std::uint8_t> default_legend(char c) {
  for (const StageTile& tile : kStageTiles) {
    if (tile.symbol == c) return tile.code;
  }
  return std::nullopt;
}

std::optional<char> default_symbol(std::uint8_t code) {
  if (const StageTile* tile = find_code(code)) return tile->symbol;
  return std::nullopt;
}

std::string tile_name(std::uint8_t code) {
  if (const StageTile* tile = find_code(code)) return tile->name;
  return "tile " + std::to_string(code);
}

}  // namespace stagec
