#include "editor/palette.h"

#include <array>

#include "core/cell_codes.h"
#include "stage/stage_tiles.h"

namespace kolvar {

namespace {

// The kinds' names as the character sheet names their pictures.
constexpr std::array<const char*, kEnemyKindCount + 1> kEnemyNames = {
    "", "slime", "bat", "ghost", "skeleton", "spider", "wraith", "imp", "knight", "demon"};

// What sets a kind apart, for the palette's line about it.
constexpr std::array<const char*, kEnemyKindCount + 1> kEnemyNotes = {"",
                                                                      ", slow",
                                                                      "",
                                                                      "",
                                                                      "",
                                                                      ", fast",
                                                                      ", walks through walls",
                                                                      ", fast",
                                                                      ", never gives up",
                                                                      ", fast, never gives up"};

std::vector<PaletteItem> MakePalette() {
  std::vector<PaletteItem> items;
  for (const stagec::StageTile& tile : stagec::kStageTiles) {
    items.push_back({false, tile.code, tile.symbol, tile.name});
  }
  for (int kind = 1; kind <= kEnemyKindCount; ++kind) {
    items.push_back({true, static_cast<uint8_t>(kind), static_cast<char>('0' + kind),
                     EnemyName(kind) + kEnemyNotes[static_cast<size_t>(kind)]});
  }
  return items;
}

}  // namespace

const std::vector<PaletteItem>& Palette() {
  static const std::vector<PaletteItem> items = MakePalette();
  return items;
}

int PaletteIndexOfKey(char key) {
  const std::vector<PaletteItem>& items = Palette();
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].key == key) return static_cast<int>(i);
  }
  return -1;
}

std::string EnemyName(int kind) {
  if (kind < 1 || kind > kEnemyKindCount) return "enemy";
  return kEnemyNames[static_cast<size_t>(kind)];
}

}  // namespace kolvar
