#include "pacing/pacing.h"

#include "pacing/events.h"

namespace kolvar {

// How close to the deadline a wait stops sleeping and polls instead, so that
// a late wake-up of the sleeping thread does not stretch the frame.
constexpr int32_t kPollMargin = 2;

uint32_t Clock(Game& game) {
  return game.platform->Clock();
}

void Delay(Game& game, int32_t ms) {
  const uint32_t start = Clock(game);
  for (;;) {
    ProcessEvents(game);
    const int32_t elapsed = static_cast<int32_t>(Clock(game) - start);
    if (elapsed > ms) return;
    const int32_t remaining = ms - elapsed;
    game.platform->Idle(remaining > kPollMargin ? static_cast<uint32_t>(remaining - kPollMargin)
                                                : 0u);
  }
}

void MarkTime(Game& game) {
  game.PaceMark = Clock(game);
}

void DelayFromMark(Game& game, int32_t ms) {
  const int32_t spent = static_cast<int32_t>(Clock(game) - game.PaceMark);
  if (spent < ms) Delay(game, ms - spent);
}

}  // namespace kolvar
