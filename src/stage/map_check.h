// The check of a stage file's map before it is played: what the game
// refuses is only what would take the player off the map.
#pragma once

#include <string>

#include "stage/stage_files.h"

namespace kolvar {

// Checks that a stage map (the bytes of `path`) keeps the player's feet on
// the map. Walking cannot take them off it: a cell beyond the map's edge
// reads as a wall. What can are the walks that no wall stops: the walk out
// of the start door and the walk into a new view after a screen scroll. The
// check plays every place the player can reach from the start door, taking
// the key or not, with every scroll those places start, and throws
// FatalError naming `path`, the start door and where the player would leave
// the map. The view follows the player a whole view at a time, so it always
// shows part of the map; past the map's right or bottom edge it wraps, as
// the map's drawing does. A map without a start door passes: the player
// starts where the stage before left it.
void CheckStageMap(const std::string& path, const StageFileBytes& map);

}  // namespace kolvar
