// A casual player: knows the map but not where the enemies will go. It
// walks the shortest way to the key chest and then to the exit door, holds
// every arrow for at least its reaction time, notices an enemy only when it
// is near (on the screen, or beyond its edge on the radar), an enemy behind
// a wall being as far as the way round to it, and then waits or backs off.
// How quick, how watchful and how patient it is makes a player model: a
// stage is rated by a slow, a casual and a practised one
// (docs/making-stages.md describes them).
#pragma once

#include <array>
#include <cstdint>

#include "bots/sim_platform.h"
#include "core/game.h"

namespace kolvar::bots {

struct PlayerModel {
  const char* name;
  int min_hold;       // frames every choice lasts at least: the reaction time
  int32_t notice;     // pixels: enemies nearer than this (and on screen) are seen
  int32_t too_close;  // pixels: back off rather than wait
  int calm_down;      // frames stood still after backing off
  int memory;         // decisions an enemy's place is remembered (and walked round)
  int patience;       // decisions spent waiting for an enemy ahead to move on
};

// The casual player, whose rate --check-stages prints first and the packs'
// READMEs quote: 240 ms reactions, three cells of notice.
inline constexpr PlayerModel kCasualPlayer = {"casual", 6, 96, 64, 12, 12, 12};
// The slow player reacts in 320 ms, sees enemies only within two and a half
// cells and waits longer; the practised one reacts in 160 ms, lets an enemy
// come to a cell and a half before backing off, remembers where enemies
// stood five times as long and walks round them, and never stands in a
// lane waiting for one to move on.
inline constexpr PlayerModel kSlowPlayer = {"slow", 8, 80, 64, 16, 12, 16};
inline constexpr PlayerModel kPractisedPlayer = {"practised", 4, 96, 48, 8, 60, 0};
inline constexpr std::array<PlayerModel, 3> kPlayerModels = {kSlowPlayer, kCasualPlayer,
                                                             kPractisedPlayer};

struct CasualResult {
  bool cleared = false;
  bool lost_life = false;
  int32_t time_left = 0;
};

// Plays the stage that has just started in `game`, first standing still for
// `start_frames` frames (the moment a person starts moving changes what the
// enemies draw from the random source). Stops at the clear or the first
// miss.
CasualResult PlayCasually(Game& game, SimPlatform& platform, int32_t start_frames,
                          const PlayerModel& model = kCasualPlayer);

}  // namespace kolvar::bots
