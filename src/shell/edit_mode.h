// `kolvar --edit [PACK|DIR]`: which folder the stage editor opens and saves
// to, and one run of the editor until the window is closed.
#pragma once

#include <string>

#include "editor/stage_editor.h"
#include "shell/command_line.h"
#include "shell/program.h"

namespace kolvar {

struct EditTarget {
  std::string folder;  // where the pack lies, or will once saved
  std::string name;    // a new pack's name
  bool exists = false;
  // One of the game's own packs: never written; saved to `copy_folder`.
  bool read_only = false;
  std::string copy_folder;
};

// The folder for `name_or_folder`: a path (holding '/', or "." or "..") as
// it is; a bare name among the user's packs in `user_stages`, else the
// game's own in DATA_ROOT/stages (read-only, its copy going to the first
// free NAME, NAME-copy, NAME-copy-2, ... in `user_stages`), else a new pack
// there. Empty: a new pack, my-stages (or my-stages-2, ...). Throws
// std::runtime_error with a one-line message for a name that is no
// folder's name, or when there is no user folder to save in.
EditTarget FindEditTarget(const std::string& name_or_folder, const std::string& data_root,
                          const std::string& user_stages);

// The packs the editor lists: the player's in `user_stages`, then the
// game's own in DATA_ROOT/stages that the player has none of the same name
// of; a new one is my-stages (my-stages-2, ...) by `author`.
PackShelf ShelfOf(const std::string& data_root, const std::string& user_stages,
                  const std::string& author);

// Opens the platform and runs the editor; returns the exit status.
int RunEditMode(const char* program, const Arguments& args, const std::string& data_root,
                const Backend& backend);

}  // namespace kolvar
