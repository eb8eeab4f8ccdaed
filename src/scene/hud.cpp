#include "scene/hud.h"

#include <cstdio>

#include "video/blit.h"
#include "video/text.h"

namespace kolvar {

std::string ZeroPadded(int32_t value, int digits) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%0*d", digits, value);
  return buffer;
}

void DrawHud(Game& g) {
  const std::string line = "SCORE " + ZeroPadded(g.Score, 5) + std::string(10, ' ') + "TIME " +
                           ZeroPadded(g.TimeLeft, 3);
  PrintText(*g.platform, g.Crt, 5, 4, line, g.CrtFontPoints);

  for (int32_t i = 0; i < g.Lives; ++i) {
    MaskedDraw(g.Crt, 300 - 16 * i, 3, 16, 16, g.MapChip, 32, 128, 32, 144);
  }
  if (g.GameFlags[kKeyHeld] == kTrue) {
    MaskedDraw(g.Crt, 236, 6, 32, 16, g.MapChip, 0, 128, 0, 144);
  }
}

void DrawHiScore(Game& g) {
  PrintText(*g.platform, g.Crt, 110, 4, "HISCORE " + ZeroPadded(g.HiScore, 5), g.CrtFontPoints);
}

}  // namespace kolvar
