#include "scene/hud.h"

#include <cstdio>

#include "core/sheet_layout.h"
#include "video/blit.h"
#include "video/text.h"

namespace kolvar {

std::string ZeroPadded(int32_t value, int digits) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%0*d", digits, value);
  return buffer;
}

void DrawHud(Game& g) {
  // Formatted on the stack: the line is printed every frame.
  char line[64];
  std::snprintf(line, sizeof line, "SCORE %05d          TIME %03d", g.Score, g.TimeLeft);
  // Outlined: the line stands over the map's top row, which can be as
  // light as the text (torch flames, battlements, lava).
  PrintOutlinedText(g.Crt, 5, 4, line, g.CrtFontPoints);

  // One life picture a life, leftward from x 300, 16 px apart.
  for (int32_t i = 0; i < g.Lives; ++i) MaskedDraw(g.Crt, 300 - 16 * i, 3, g.MapChip, art::kLife);
  if (g.GameFlags[kKeyHeld] == kTrue) MaskedDraw(g.Crt, 236, 6, g.MapChip, art::kKey);
}

void DrawHiScore(Game& g) {
  char line[32];
  std::snprintf(line, sizeof line, "HISCORE %05d", g.HiScore);
  PrintText(g.Crt, 110, 4, line, g.CrtFontPoints);
}

}  // namespace kolvar
