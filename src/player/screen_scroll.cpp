#include "player/screen_scroll.h"

#include "core/trace.h"
#include "pacing/pacing.h"
#include "player/player_step.h"
#include "scene/hud.h"
#include "scene/radar.h"
#include "scene/sequence_frame.h"
#include "scene/sprites.h"
#include "video/blit.h"
#include "video/show.h"

namespace kolvar {

namespace {

constexpr int32_t kPushPeriod = 60;

void DrawScrollFrame(Game& g) {
  if (!g.draws) return;
  DrawSequenceFrame(g);
  ShowScreen(g);
}

}  // namespace

void ScrollScreen(Game& g, int32_t move_code) {
  const ScrollCase* scroll = ScrollFor(move_code, g.PlayerX, g.PlayerY);
  if (!scroll) return;
  TraceEvent(g, "scroll", std::string(R"("dir":")") + scroll->name + "\"");

  // Push: the view moves one cell and the player one cell back, so the
  // player keeps its place on the map.
  for (int i = 0; i < scroll->push_frames; ++i) {
    MarkTime(g);
    g.ViewX += scroll->view_dx;
    g.ViewY += scroll->view_dy;
    g.PlayerX -= scroll->view_dx * kCellPixels;
    g.PlayerY -= scroll->view_dy * kCellPixels;
    DrawScrollFrame(g);
    DelayFromMark(g, kPushPeriod);
  }

  // Walk in, on a three-step walk cycle.
  for (int i = 0; i < scroll->walk_frames; ++i) {
    MarkTime(g);
    g.PlayerX += scroll->walk_dx;
    g.PlayerY += scroll->walk_dy;
    g.PlayerAnimStep = g.PlayerAnimStep + 1 >= 3 ? 0 : g.PlayerAnimStep + 1;
    DrawScrollFrame(g);
    DelayFromMark(g, kFramePeriod);
  }

  // The new view becomes the background of the coming frames; the strip
  // below the map goes back as it was, without the sprites of the scroll.
  if (!g.draws) return;
  DrawBareView(g);
  Blit(g.B_Crt, 0, 0, kPictureWidth, kPictureHeight, g.Crt, 0, 0);
  DrawSceneLayers(g);
  ShowScreen(g);
}

}  // namespace kolvar
