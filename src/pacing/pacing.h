// All timing rests on the platform's millisecond clock and three waits.
// Every wait lets the window process its events on each pass, and gives the
// processor away until shortly before its deadline instead of spinning.
#pragma once

#include <cstdint>

#include "core/game.h"

namespace kolvar {

// Milliseconds of one frame of play, and of one step of the sequences that
// move at the pace of play.
inline constexpr int32_t kFramePeriod = 40;

uint32_t Clock(Game& game);

// Returns once more than `ms` milliseconds have passed since the call; the
// window processes its events at least once, even for 0 or less.
void Delay(Game& game, int32_t ms);

// PaceMark = now.
void MarkTime(Game& game);

// Returns once `ms` milliseconds have passed since PaceMark; when they
// already have, returns at once without processing events.
void DelayFromMark(Game& game, int32_t ms);

}  // namespace kolvar
