// A casual player: knows the map but not where the enemies will go. It
// walks the shortest way to the key chest and then to the exit door, holds
// every arrow for at least 240 ms (six frames), notices an enemy only when
// it is on the screen and within three cells, and then waits or backs off.
#pragma once

#include <cstdint>

#include "bots/sim_platform.h"
#include "core/game.h"

namespace kolvar::bots {

struct CasualResult {
  bool cleared = false;
  bool lost_life = false;
  int32_t time_left = 0;
};

// Plays the stage that has just started in `game`, first standing still for
// `start_frames` frames (the moment a person starts moving changes what the
// enemies draw from the random source). Stops at the clear or the first
// miss.
CasualResult PlayCasually(Game& game, SimPlatform& platform, int32_t start_frames);

}  // namespace kolvar::bots
