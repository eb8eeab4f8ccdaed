// Drawing the stage editor onto the game's screen surface: the map with the
// game's own tiles and sprites at half size, the overview of the whole map,
// the stage buttons, the palette, the tool bar, the faults and notices, and
// the help and pack panels over them.
#pragma once

#include "core/game.h"
#include "editor/stage_editor.h"

namespace kolvar {

void DrawEditor(Game& game, const StageEditor& editor);

// The lines of `text` broken between words to fit `width` pixels.
std::vector<std::string> WrapText(const std::string& text, int width);

}  // namespace kolvar
