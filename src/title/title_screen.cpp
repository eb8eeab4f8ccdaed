#include "title/title_screen.h"

#include "audio/music.h"
#include "core/trace.h"
#include "pacing/keyboard.h"
#include "pacing/pacing.h"
#include "scene/hud.h"
#include "video/blit.h"
#include "video/show.h"
#include "video/text.h"

namespace kolvar {

void TitleScreen(Game& g) {
  TraceEvent(g, "title");
  OpenMusic(g, "title.mid");
  PlayMusic(g, kTrue);

  g.B_Crt.Clear();
  g.Crt.Clear();
  MaskedDraw(g.Crt, 32, 8, 256, 64, g.Title, 0, 0, kTitleMaskOffset, 0);
  MaskedDraw(g.Crt, 66, 140, 64, 64, g.Title, 0, 128, kTitleMaskOffset, 128);
  MaskedDraw(g.Crt, 90, 156, 160, 48, g.Title, 64, 128, 64 + kTitleMaskOffset, 128);
  DrawHiScore(g);
  PrintText(*g.platform, g.Crt, 90, 100, "Please Hit Z Key ", kSmallFontPoints);
  ShowScreen(g);

  FlushKeys(g, {Key::Z});
  WaitForZ(g);
  g.StageNumber = 1;
  g.Crt.Clear();
  ShowScreen(g);
  Delay(g, 200);
}

}  // namespace kolvar
