// What the editor draws with: every tile of the stage format (the start
// door, the key chest and the exit door among them) and the nine enemy
// kinds, each with its name and the key that picks it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kolvar {

struct PaletteItem {
  bool enemy = false;
  uint8_t code = 0;  // a tile code, or an enemy kind
  char key = 0;      // the stage text's character for it, which picks it
  std::string name;
};

// The tiles in the stage format's order, then the enemy kinds 1 to 9.
const std::vector<PaletteItem>& Palette();

// The index of the item `key` picks, or -1.
int PaletteIndexOfKey(char key);

// The enemy kind's name as the editor shows it ("wraith").
std::string EnemyName(int kind);

}  // namespace kolvar
