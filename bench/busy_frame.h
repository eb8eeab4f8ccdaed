// The play frame both benchmarks compose: the background copy, the player
// and eleven enemies in view, the radar and the HUD line with three lives
// and the key.
#pragma once

#include "core/game.h"
#include "scene/hud.h"
#include "scene/radar.h"
#include "scene/sprites.h"
#include "video/blit.h"

namespace kolvar {

inline void SetUpBusyPlayFrame(Game& game) {
  game.Lives = 3;
  game.Score = 12345;
  game.TimeLeft = 150;
  game.GameFlags[kKeyHeld] = kTrue;
  game.PlayerX = 100;
  game.PlayerY = 100;
  for (int i = 0; i < kEnemySlots; ++i) {
    EnemySlot& e = game.EnemyTable[static_cast<size_t>(i)];
    e.Active = kTrue;
    e.Kind = 1 + i % kEnemyKindCount;
    e.X = 24 * i;
    e.Y = 16 * i;
    e.Facing = i % 4;
    e.AnimFrame = i % 4;
  }
}

inline void ComposePlayFrame(Game& game) {
  Blit(game.Crt, 0, 0, 320, 240, game.B_Crt, 0, 0);
  DrawSprites(game);
  DrawRadar(game);
  DrawHud(game);
}

}  // namespace kolvar
