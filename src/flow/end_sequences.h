// The screens that end a stage or a game: the stage clear with its time
// bonus, the miss spin, game over, and the closing screen after the last
// stage. Each runs to its end, paced on its own.
#pragma once

#include "core/game.h"

namespace kolvar {

// The last stage of the game's own set (a pack has its own: LastStage).
inline constexpr int32_t kLastStage = kFirstSetStages;

// Darkens the last frame, counts the bonus of 5 points per second left,
// advances StageNumber (back to 1 with the all-clear flag after the last
// stage, LastStage) and waits for Z.
void StageClear(Game& game);

// The player spins on the darkened frame and loses a life; the stage starts
// again from its files, or the game ends through GameOver.
void LoseLife(Game& game);

// The game-over caption and prompt; afterwards Continue resumes this stage.
void GameOver(Game& game);

// The closing words after the last stage and a prompt.
void AllStagesClear(Game& game);

}  // namespace kolvar
