#include "shell/outer_loop.h"

#include "shell/play_loop.h"
#include "title/title_screen.h"

namespace kolvar {

void RunProgram(Game& g) {
  g.ContinueStage = 1;
  g.HiScore = g.platform->LoadHiScore();
  for (;;) {
    TitleScreen(g);
    RunGame(g);
  }
}

}  // namespace kolvar
