// Playing the stage being edited, from its start door, with the game's own
// rules, music and HUD, until Esc, a game over or the stage's clear, or
// watching a proof's clear of it played the same way; then back to the
// editor as it was. Nothing of the player's own game is kept
// from it: no hi-score, no Continue stage.
#pragma once

#include <string>
#include <vector>

#include "bots/sim_platform.h"
#include "core/game.h"
#include "editor/edited_stage.h"

namespace kolvar {

// Plays `stage`, which must compile without a fault. Returns how the play
// ended, in words for the editor's notice. A close request during play is
// thrown on (CloseRequested) once the game is the editor's again.
std::string PlayTest(Game& game, const EditedStage& stage);

// Plays `keys` (a proof's clear, on the clock of a game begun on the stage)
// through the real rules, drawn and paced as play is, for the player to
// watch until the clear, Esc or a lost life; then back to the editor as it
// was. Returns how it ended, in words.
std::string WatchClear(Game& game, const EditedStage& stage, std::vector<bots::KeyEvent> keys);

}  // namespace kolvar
