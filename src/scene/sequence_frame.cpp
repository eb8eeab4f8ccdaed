#include "scene/sequence_frame.h"

#include "scene/hud.h"
#include "scene/map_layer.h"
#include "scene/radar.h"
#include "scene/sprites.h"

namespace kolvar {

void DrawSceneLayers(Game& g) {
  DrawSprites(g);
  DrawRadar(g);
  DrawHud(g);
}

void DrawSequenceFrame(Game& g) {
  DrawMapToScreen(g);
  DrawSceneLayers(g);
}

}  // namespace kolvar
