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

struct ScrollCase {
  const char* name;
  int32_t view_dx, view_dy;  // view change per push frame, in cells
  int push_frames;
  int32_t walk_dx, walk_dy;  // player step per walk-in frame, in pixels
  int walk_frames;
};

// A push moves the view a whole view: kViewColumns or kViewRows frames.
constexpr ScrollCase kScrollRight = {"right", 1, 0, kViewColumns, 4, 0, 6};
constexpr ScrollCase kScrollLeft = {"left", -1, 0, kViewColumns, -4, 0, 4};
constexpr ScrollCase kScrollDown = {"down", 0, 1, kViewRows, 0, 4, 6};
constexpr ScrollCase kScrollUp = {"up", 0, -1, kViewRows, 0, -4, 6};

// The scroll that the previous frame's move starts: a step toward an edge
// that has taken the player past it.
const ScrollCase* ChooseCase(const Game& g, int32_t move_code) {
  if (move_code == MoveCode(kRight) && g.PlayerX > 296) return &kScrollRight;
  if (move_code == MoveCode(kLeft) && g.PlayerX < -16) return &kScrollLeft;
  if (move_code == MoveCode(kDown) && g.PlayerY > 192) return &kScrollDown;
  if (move_code == MoveCode(kUp) && g.PlayerY < -16) return &kScrollUp;
  return nullptr;
}

void DrawScrollFrame(Game& g) {
  if (!g.draws) return;
  DrawSequenceFrame(g);
  ShowScreen(g);
}

}  // namespace

void ScrollScreen(Game& g, int32_t move_code) {
  const ScrollCase* scroll = ChooseCase(g, move_code);
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
