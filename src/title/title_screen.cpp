#include "title/title_screen.h"

#include "audio/music.h"
#include "core/trace.h"
#include "pacing/events.h"
#include "pacing/keyboard.h"
#include "pacing/pacing.h"
#include "scene/hud.h"
#include "title/title_intro.h"
#include "video/blend.h"
#include "video/blit.h"
#include "video/show.h"

namespace kolvar {

namespace {

constexpr int32_t kCursorStart = 80;
constexpr int32_t kCursorContinue = 110;
constexpr int32_t kMenuPeriod = 40;
constexpr int32_t kFadeInPeriod = 50;
constexpr int kFadeFrames = 6;

// The title's background is built of the floor tile (code kFloor).
constexpr const SheetPicture& kFloorTile = art::kTile01;

void DrawLogoAndCredits(Game& g, const TitleState& s) {
  DrawTitlePicture(g, art::kLogo, 32, 8);
  DrawTitlePicture(g, art::kCreditBadge, 66, s.CreditY);
  DrawTitlePicture(g, art::kCreditCaption, 90, s.CreditY + 16);
}

// 11 x 7 floor tiles: a 352 x 224 band at the top of B_Crt, wide enough for
// every scroll position; the rows below stay black.
void BuildFloor(Game& g) {
  g.B_Crt.Clear();
  for (int row = 0; row <= 6; ++row) {
    for (int column = 0; column <= 10; ++column) {
      Blit(g.B_Crt, kCellPixels * column, kCellPixels * row, kCellPixels, kCellPixels, g.MapChip,
           kFloorTile.x, kFloorTile.y);
    }
  }
}

// Six 10 % steps move the black background about half-way to the floor;
// the logo and credits stay at full strength.
void FadeFloorIn(Game& g, const TitleState& s) {
  for (int frame = 0; frame < kFadeFrames; ++frame) {
    MarkTime(g);
    BlendRect(g.Crt, 0, 0, kPictureWidth, kPictureHeight, g.B_Crt, 0, 0, 10);
    DrawLogoAndCredits(g, s);
    ShowScreen(g);
    DelayFromMark(g, kFadeInPeriod);
  }
  Blit(g.Crt, 0, 0, kPictureWidth, kPictureHeight, g.B_Crt, 0, 0);
  DrawLogoAndCredits(g, s);
  ShowScreen(g);
}

// The menu, one 40 ms frame at a time, until Z. Up and Down are polled
// before Z, so a Down and a Z in the same frame choose Continue.
void RunMenu(Game& g, TitleState& s) {
  s.MenuCursorY = kCursorStart;
  for (;;) {
    MarkTime(g);
    s.ScrollX += 2;
    if (s.ScrollX >= 32) s.ScrollX = 0;
    Blit(g.Crt, 0, 0, kPictureWidth, kPictureHeight, g.B_Crt, s.ScrollX, 0);
    DrawTitlePicture(g, art::kLogo, 32, 8);
    DrawTitlePicture(g, art::kMenuPanel, 100, 80);
    DrawTitlePicture(g, art::kCreditBadge, 66, s.CreditY);
    DrawTitlePicture(g, art::kCreditCaption, 90, s.CreditY + 16);
    DrawTitlePicture(g, art::kMenuArrow, 66, s.MenuCursorY);
    DrawHiScore(g);
    ShowScreen(g);

    if (KeyPressed(g, Key::Up)) s.MenuCursorY = kCursorStart;
    if (KeyPressed(g, Key::Down)) s.MenuCursorY = kCursorContinue;
    if (KeyPressed(g, Key::Z)) return;
    ProcessEvents(g);
    DelayFromMark(g, kMenuPeriod);
  }
}

void FadeOut(Game& g) {
  g.B_Crt.Clear();
  for (int frame = 0; frame < kFadeFrames; ++frame) {
    MarkTime(g);
    BlendRect(g.Crt, 0, 0, kPictureWidth, kPictureHeight, g.B_Crt, 0, 0, 40);
    ShowScreen(g);
    DelayFromMark(g, kMenuPeriod);
  }
}

}  // namespace

void TitleScreen(Game& g) {
  TraceEvent(g, "title");
  TitleState s;
  // A game left with Esc keeps its piece's loop flag raised, and the music
  // timer would start the title piece within a second instead of with the
  // logo's wave: stop that loop first.
  if (g.MusicLoop == kTrue) StopMusic(g);
  OpenMusic(g, "title.mid");  // opened here, played once the logo waves in

  g.B_Crt.Clear();
  g.Crt.Clear();
  ShowScreen(g);
  Delay(g, 500);

  RunTitleIntro(g, s);
  BuildFloor(g);
  FadeFloorIn(g, s);

  // Presses made during the intro choose nothing; a key still held does.
  FlushKeys(g, {Key::Z, Key::Down, Key::Up});
  RunMenu(g, s);
  g.StageNumber = s.MenuCursorY == kCursorStart ? 1 : g.ContinueStage;
  FadeOut(g);
}

}  // namespace kolvar
