#include "player/key_exit_sequences.h"

#include "audio/music.h"
#include "core/sheet_layout.h"
#include "core/trace.h"
#include "pacing/pacing.h"
#include "scene/hud.h"
#include "scene/map_layer.h"
#include "scene/radar.h"
#include "scene/sequence_frame.h"
#include "scene/sprites.h"
#include "video/blend.h"
#include "video/show.h"

namespace kolvar {

namespace {

// Taking the key scores this, and this much more for every second left.
constexpr int32_t kKeyScore = 100;
constexpr int32_t kKeyScorePerSecond = 2;

// Advances a cell to the next picture of its opening animation.
void StepCellCode(Game& g, int32_t column, int32_t row) {
  g.TileMap.Set(column, row, static_cast<uint8_t>(g.TileMap.Get(column, row) + 1));
}

void DrawKeyGraphic(Game& g, int32_t lift) {
  const int x = (g.KeyCellX - g.ViewX) * kCellPixels;
  const int y = (g.KeyCellY - g.ViewY) * kCellPixels - lift;
  MaskedDraw(g.Crt, x, y, g.MapChip, art::kKey);
}

// One frame of the key's sequence: the scene, with the key lifted `lift`
// pixels out of its chest once it shows (lift >= 0), and shown.
void ShowSequenceFrame(Game& g, int32_t lift = -1) {
  if (!g.draws) return;
  DrawSequenceFrame(g);
  if (lift >= 0) DrawKeyGraphic(g, lift);
  ShowScreen(g);
}

}  // namespace

void TakeKey(Game& g) {
  const int32_t tile_step = kFramePeriod + 80;
  for (int i = 0; i < 3; ++i) {
    MarkTime(g);
    StepCellCode(g, g.KeyCellX, g.KeyCellY);
    ShowSequenceFrame(g);
    DelayFromMark(g, tile_step);
  }
  Delay(g, 300);

  for (int32_t i = 0; i <= 8; ++i) {
    MarkTime(g);
    ShowSequenceFrame(g, 2 * i);
    DelayFromMark(g, tile_step);
  }

  g.TileMap.Set(g.KeyCellX, g.KeyCellY, kFloor);
  if (g.draws) DrawMapToBuffer(g);
  for (int i = 0; i < 4; ++i) {
    MarkTime(g);
    if (g.draws) {
      BlendRect(g.Crt, 0, 0, kPictureWidth, kPictureHeight, g.B_Crt, 0, 0, 50);
      DrawSceneLayers(g);
      DrawKeyGraphic(g, 16);
      ShowScreen(g);
    }
    DelayFromMark(g, 40);
  }

  g.Score += kKeyScore + kKeyScorePerSecond * g.TimeLeft;
  RaiseHiScore(g);
  g.GameFlags[kKeyHeld] = kTrue;
  TraceEvent(g, "key");
}

void OpenExit(Game& g) {
  if (g.GameFlags[kKeyHeld] == kFalse) return;
  TraceEvent(g, "exit");

  for (int i = 0; i < 3; ++i) {
    MarkTime(g);
    StepCellCode(g, g.ExitCellX, g.ExitCellY);
    if (g.draws) {
      DrawMapToScreen(g);
      DrawSprites(g);
      DrawHud(g);
      ShowScreen(g);
    }
    DelayFromMark(g, kFramePeriod + 80);
  }
  Delay(g, 300);

  g.TileMap.Set(g.ExitCellX, g.ExitCellY, kFloor);
  if (g.draws) DrawMapToBuffer(g);
  StopMusic(g);
  for (int i = 0; i < 4; ++i) {
    MarkTime(g);
    if (g.draws) {
      BlendRect(g.Crt, 0, 0, kPictureWidth, kPictureHeight, g.B_Crt, 0, 0, 50);
      DrawHud(g);
      ShowScreen(g);
    }
    DelayFromMark(g, 40);
  }
  g.GameFlags[kStageCleared] = kTrue;
}

}  // namespace kolvar
