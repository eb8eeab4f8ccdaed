#include "pacing/events.h"

#include "audio/music.h"
#include "core/fatal_error.h"
#include "core/trace.h"

namespace kolvar {

void ProcessEvents(Game& game) {
  const bool close_requested = game.platform->PumpEvents();
  // The title shows the best score kept, whichever game kept it.
  const int32_t kept_elsewhere = game.platform->HiScoreKeptElsewhere();
  if (kept_elsewhere > game.HiScore) game.HiScore = kept_elsewhere;
  const uint32_t now = game.platform->Clock();
  if (now - game.BgmTimerMark >= kMusicTimerPeriod) {
    // A late timer fires once, like a window timer, and keeps its rhythm
    // from now on.
    game.BgmTimerMark = now;
    BgmCheckTimer(game);
  }
  if (close_requested) {
    TraceEvent(game, "close");
    StopMusic(game);
    throw CloseRequested{};
  }
}

}  // namespace kolvar
