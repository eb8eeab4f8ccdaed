// One game: from the first stage to game over, the closing screen, or Esc.
#pragma once

#include "core/game.h"

namespace kolvar {

// The lives a new game starts with.
inline constexpr int32_t kStartingLives = 3;

// Resets the game state for a new game (lives, score, grids).
void ResetGame(Game& game);

// Plays one game starting at StageNumber and returns to the title: BeginGame,
// then PlayFrame and EndFrame in turn until EndFrame says the game is over.
void RunGame(Game& game);

// The pieces of RunGame, for tools that play the game a frame at a time.
// BeginGame resets the game and starts the stage StageNumber.
void BeginGame(Game& game);
// The moving part of one play frame: stage clock, drawing, scroll, enemies,
// contact, the player step, show and trace. Takes the previous frame's move
// code and returns this frame's.
int32_t PlayFrame(Game& game, int32_t move_code);
// The rest of the frame: acts on the flags (miss, game over, stage clear and
// the next stage, the closing screen), processes events, polls Esc and waits
// out the frame. Returns false when the game has ended.
bool EndFrame(Game& game);

}  // namespace kolvar
