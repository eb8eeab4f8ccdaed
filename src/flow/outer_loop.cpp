#include "flow/outer_loop.h"

#include "flow/end_sequences.h"
#include "flow/play_loop.h"
#include "title/title_screen.h"

namespace kolvar {

void RunProgram(Game& g) {
  g.HiScore = g.platform->LoadHiScore();
  // A kept stage the game does not have (the file edited by hand) is stage 1.
  g.ContinueStage = g.platform->LoadContinueStage();
  if (g.ContinueStage < 1 || g.ContinueStage > kLastStage) g.ContinueStage = 1;
  for (;;) {
    TitleScreen(g);
    RunGame(g);
  }
}

}  // namespace kolvar
