// The stage editor's frame loop: the player's keys, typing and pointer to
// the editor, the prover asked how it stands, the picture drawn and shown
// once a frame, and the play-test or the watched clear when asked for.
#pragma once

#include <functional>
#include <string>

#include "core/game.h"
#include "editor/stage_editor.h"

namespace kolvar {

// Runs the editor until the window is closed. Unsaved changes are saved
// then (a closed window never loses work), and what was done is told
// through `report`; then CloseRequested is thrown on.
[[noreturn]] void RunEditor(Game& game, EditorOptions options,
                            const std::function<void(const std::string&)>& report);

}  // namespace kolvar
