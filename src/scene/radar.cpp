#include "scene/radar.h"

#include <cmath>

#include "video/blit.h"

namespace kolvar {

namespace {

constexpr int32_t kHiddenCalls = 3;  // blink values 0..2 hide the dots
constexpr int32_t kBlinkCycle = 16;

void DrawDot(Game& g, int32_t map_x, int32_t map_y, uint32_t colour) {
  const int x = kRadarLeft + RadarScale(map_x), y = kRadarTop + RadarScale(map_y);
  g.Crt.SetPixel(x, y, colour);
  g.Crt.SetPixel(x + 1, y, colour);
  g.Crt.SetPixel(x, y + 1, colour);
  g.Crt.SetPixel(x + 1, y + 1, colour);
}

}  // namespace

int32_t RadarScale(int32_t map_pixels) {
  return static_cast<int32_t>(std::nearbyint(static_cast<double>(map_pixels) / 8.0));
}

void DrawRadar(Game& g) {
  Blit(g.Crt, kRadarLeft, kRadarTop, kRadarWidth, kRadarHeight, g.Sensor, 0, 0, RasterOp::kOr);

  if (g.RadarBlink < kHiddenCalls) {
    ++g.RadarBlink;
    return;
  }
  g.RadarBlink = g.RadarBlink >= kBlinkCycle - 1 ? 0 : g.RadarBlink + 1;

  DrawDot(g, PlayerMapX(g), PlayerMapY(g), kWhite);
  for (const EnemySlot& e : g.EnemyTable) {
    if (e.Active == kTrue) DrawDot(g, e.X, e.Y, kLightRed);
  }
}

}  // namespace kolvar
