#include "core/game.h"

#include "core/sheet_data.h"

namespace kolvar {

Game::Game(Platform& platform_in, std::string root_in)
    : platform(&platform_in),
      root(std::move(root_in)),
      Title(Surface::FromIndexed(TitleSheetData())),
      Chr(Surface::FromIndexed(ChrSheetData())),
      MapChip(Surface::FromIndexed(MapChipSheetData())) {
  BgmTimerMark = platform_in.Clock();
}

int32_t LastStage(const Game& g) {
  return g.stages.empty() ? kFirstSetStages : static_cast<int32_t>(g.stages.size());
}

void RaiseHiScore(Game& g) {
  if (g.Score <= g.HiScore) return;
  g.HiScore = g.Score;
  g.platform->SaveHiScore(g.HiScore);
}

}  // namespace kolvar
