// Plays one frame of the game for a bot, exactly as the play loop does, and
// judges it: a lost life, a cleared stage, or a trick (the player's sprite
// passing through an enemy's, or a scroll carrying it past one).
#pragma once

#include <cstdint>

#include "core/game.h"

namespace kolvar::bots {

enum class FrameOutcome { kGoOn, kMiss, kTrick, kCleared };

// Runs PlayFrame; when the frame raised no flag, also the frame's end
// (events and the wait), so the next call starts the next frame. A miss or a
// clear is left for the caller (EndFrame would run the miss or clear
// sequence). With `forbid_tricks`, a frame after which the sprites overlap,
// or whose scroll walked the player through an enemy, is a kTrick.
FrameOutcome PlayOneFrame(Game& game, int32_t& move_code, bool forbid_tricks);

}  // namespace kolvar::bots
