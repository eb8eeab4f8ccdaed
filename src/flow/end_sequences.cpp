#include "flow/end_sequences.h"

#include <algorithm>
#include <string>

#include "audio/music.h"
#include "core/sheet_layout.h"
#include "core/trace.h"
#include "pacing/keyboard.h"
#include "pacing/pacing.h"
#include "scene/hud.h"
#include "scene/map_layer.h"
#include "scene/sequence_frame.h"
#include "scene/sprites.h"
#include "stage/start_stage.h"
#include "video/blend.h"
#include "video/show.h"
#include "video/text.h"

namespace kolvar {

namespace {

constexpr int kSpinSteps = 51;
// The first row below the map view.
constexpr int kStripTop = kViewRows * kCellPixels;

// A stage clear's time bonus: this many points for every second left.
constexpr int32_t kBonusPerSecond = 5;

// "STAGE CLEAR" or "GAME OVER" over the darkened picture.
void DrawCaption(Game& g, const SheetPicture& caption) {
  MaskedDraw(g.Crt, 44, 50, g.Title, caption);
}

void Print(Game& g, int x, int y, const std::string& text) {
  PrintText(g.Crt, x, y, text, g.CrtFontPoints);
}

void CopyBackBufferToScreen(Game& g) {
  Blit(g.Crt, 0, 0, kPictureWidth, kPictureHeight, g.B_Crt, 0, 0);
}

// "Please Hit Z Key " in the large font over the current picture, naming
// the key (or the controller's button) the player confirms with, then the
// wait for a fresh press of it. A name too long to fit from x 90 moves the
// line left, centred.
void PromptForZ(Game& g) {
  g.CrtFontPoints = kLargeFontPoints;
  const ConfirmControl confirm = g.platform->ConfirmKey();
  const std::string line = "Please Hit " + confirm.name + (confirm.button ? " Button " : " Key ");
  const int width = TextLineWidth(line, FontPixelSize(kLargeFontPoints));
  Print(g, width <= kPictureWidth - 90 ? 90 : std::max(0, (kPictureWidth - width) / 2), 120, line);
  ShowScreen(g);
  g.CrtFontPoints = kSmallFontPoints;
  WaitForZ(g);
}

void DarkenScreen(Game& g) {
  BlendRect(g.Crt, 0, 0, kPictureWidth, kPictureHeight, g.B_Crt, 0, 0, 50);
}

}  // namespace

void StageClear(Game& g) {
  TraceEvent(g, "clear");
  OpenMusic(g, "CLEAR.MID");
  PlayMusic(g, kFalse);
  // The strip below the map goes back as the stage start left it, without
  // the pieces of sprites that reach into it: the darkened picture becomes
  // the back buffer, whose strip the next stage keeps.
  Blit(g.Crt, 0, kStripTop, kPictureWidth, kPictureHeight - kStripTop, g.B_Crt, 0, kStripTop);
  g.B_Crt.Clear();
  DarkenScreen(g);
  ShowScreen(g);
  DrawCaption(g, art::kStageClear);
  Blit(g.B_Crt, 0, 0, kPictureWidth, kPictureHeight, g.Crt, 0, 0);
  ShowScreen(g);
  Delay(g, 1000);

  g.CrtFontPoints = kLargeFontPoints;
  for (int32_t k = g.TimeLeft; k >= 0; --k) {
    MarkTime(g);
    CopyBackBufferToScreen(g);
    Print(g, 85, 120, "TIME BONUS " + ZeroPadded(k, 3));
    ShowScreen(g);
    DelayFromMark(g, 20);
  }

  g.Score += kBonusPerSecond * g.TimeLeft;
  RaiseHiScore(g);
  ++g.StageNumber;
  if (g.StageNumber > LastStage(g)) {
    g.StageNumber = 1;
    g.GameFlags[kAllClear] = kTrue;
  }

  CopyBackBufferToScreen(g);
  ShowScreen(g);
  Delay(g, 500);
  PromptForZ(g);

  g.Crt.Clear();
  ShowScreen(g);
  Delay(g, 1000);
  StopMusic(g);
}

void LoseLife(Game& g) {
  TraceEvent(g, "miss");
  StopMusic(g);
  g.B_Crt.Clear();
  DrawBareView(g);
  DrawHud(g);
  DarkenScreen(g);
  Blit(g.B_Crt, 0, 0, kPictureWidth, kPictureHeight, g.Crt, 0, 0);

  for (int step = 0; step < kSpinSteps; ++step) {
    g.PlayerDir = TurnClockwise(g.PlayerDir);
    MarkTime(g);
    CopyBackBufferToScreen(g);
    DrawSprites(g);
    ShowScreen(g);
    DelayFromMark(g, kFramePeriod);
  }
  CopyBackBufferToScreen(g);
  ShowScreen(g);
  Delay(g, 500);

  --g.Lives;
  if (g.Lives > 0) {
    g.Crt.Clear();
    ShowScreen(g);
    g.GameFlags[kKeyHeld] = g.GameFlags[kStageCleared] = g.GameFlags[kMiss] = kFalse;
    Delay(g, 1000);
    StartStage(g);
    return;
  }
  GameOver(g);
}

void GameOver(Game& g) {
  TraceEvent(g, "gameover");
  OpenMusic(g, "GameOver.mid");
  PlayMusic(g, kFalse);
  DrawCaption(g, art::kGameOver);
  PromptForZ(g);
  g.GameFlags[kGameOver] = kTrue;
  g.ContinueStage = g.StageNumber;
  g.platform->SaveContinueStage(g.ContinueStage);
}

void AllStagesClear(Game& g) {
  TraceEvent(g, "allclear");
  OpenMusic(g, "CLEAR.MID");
  PlayMusic(g, kFalse);
  CopyBackBufferToScreen(g);
  g.CrtFontPoints = kSmallFontPoints;
  Print(g, 90, 120, "Your All Stage Clear!! ");
  Print(g, 90, 140, "Next Challenge! Aspire HighScore!! ");
  ShowScreen(g);
  Delay(g, 3000);

  CopyBackBufferToScreen(g);
  PromptForZ(g);

  g.Crt.Clear();
  ShowScreen(g);
  Delay(g, 1000);
}

}  // namespace kolvar
