#include "scene/sequence_frame.h"

#include "scene/hud.h"
#include "scene/map_layer.h"
#include "scene/radar.h"
#include "scene/sprites.h"
#include "video/blit.h"

namespace kolvar {

void DrawBareView(Game& g) {
  constexpr int kMapBottom = kViewRows * kCellPixels;
  DrawMapToScreen(g);
  Blit(g.Crt, 0, kMapBottom, g.Crt.width(), g.Crt.height() - kMapBottom, g.B_Crt, 0, kMapBottom);
}

void DrawSceneLayers(Game& g) {
  DrawSprites(g);
  DrawRadar(g);
  DrawHud(g);
}

void DrawSequenceFrame(Game& g) {
  DrawBareView(g);
  DrawSceneLayers(g);
}

}  // namespace kolvar
