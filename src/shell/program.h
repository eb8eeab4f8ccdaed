// One run of the program, whichever backend plays it: the data folder found
// and checked, the trace opened, the platform made, the title/game loop run
// until the window is closed, and every fault reported as one line.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "shell/check_stages.h"
#include "shell/command_line.h"

namespace kolvar {

class ProofRunner;  // editor/proof_runner.h

// What the platform is opened for: the data folder and, when a stage pack
// is played, its name (for the caption) and the name of its own files (its
// hi-score).
struct OpenRequest {
  std::string data_root;
  std::string pack_name;  // empty: the game's own stages
  std::string pack_key;   // the pack's folder (PackFileKey)
  // The name its hi-score and Continue go under (PackIdentityKey), and the
  // one they had before, for a pack installed with the game; else empty.
  std::string files_key;
  std::string old_files_key;
};

// Where a game is recorded to.
struct RecordingTarget {
  std::FILE* file = nullptr;  // open for writing; null: not recorded, for `error`
  std::string path;
  std::string error;
  // A line for the player about the recordings kept, even when this one is
  // made (the hi-score game's mark could not be read); empty: none.
  std::string notice;
  // Called each time the game keeps a new hi-score; returns what was lost
  // when that could not be noted, or empty.
  std::function<std::string()> on_hiscore;
};

struct Backend {
  // Makes the platform once the data folder (holding DATA/ and MIDI/) and
  // the stage pack, if any, are known to be sound: the window opens only
  // then. Throws std::exception with a one-line message.
  std::function<std::unique_ptr<Platform>(const OpenRequest& request)> open;
  // After the close request, before the run counts as a success: what the
  // backend still has to write. Returns an error message, or empty.
  std::function<std::string()> finish;
  // Shows a fatal message where a player who sees no terminal will see it.
  std::function<void(const std::string&)> show_error;
  // The window records every game played in it: makes the file for this
  // one. Empty: nothing is recorded.
  std::function<RecordingTarget()> start_recording;
  // Watching a recording: the speed the viewer asked for since the last
  // call (0: none).
  std::function<int()> watch_speed;
  // Called with the platform the game plays on, once it is made (a replay
  // or a recording layered over the backend's own).
  std::function<void(Platform&)> attach;
  // `--check-stages`: proves and rates a pack's stages (CheckStages). Only
  // the programs with a command line set it, so the browser page's program
  // carries no solver and no players.
  std::function<int(const std::string& pack_folder, const std::string& data_root,
                    const CheckOptions& options)>
      check_stages;
  // `--edit`: opens the platform and runs the stage editor (RunEditMode);
  // empty in a program without the editor (the browser page's game, whose
  // editor is a program of its own).
  std::function<int(const char* program, const Arguments& args, const std::string& data_root,
                    const Backend& backend)>
      edit;
  // The stage editor's prover (editor/proof_runner.h), proving and rating
  // the stage being edited with the game's data in `data_root`. Empty: the
  // editor offers no proving.
  std::function<std::shared_ptr<ProofRunner>(const std::string& data_root)> prover;
  // The stage editor saved the pack in `folder` with these files: the
  // backend keeps it where it keeps things (the browser's storage).
  // Returns an error message, or empty. Empty: the folder is enough.
  std::function<std::string(const std::string& folder,
                            const std::vector<std::pair<std::string, std::string>>& files)>
      keep_pack;
};

// The most faults of a stage pack its error box lists; the terminal gets
// them all.
inline constexpr size_t kMostFaultsInBox = 10;

// `message` for an error box: of each run of indented lines (a list of
// files or folders) the first `most` stay and the rest become one line,
// "  and N more", so the box stays a size a screen can show. The terminal
// gets the whole message.
std::string ShortenLists(const std::string& message, size_t most = 5);

// The folder the running program lies in.
std::string ProgramDirectory(const char* argv0);

// Runs the game; returns the exit status: 0 after a close request, 1 with
// a message on standard error when the game cannot go on, 2 when the stage
// pack asked for cannot be found or has faults (each listed as
// FILE:LINE: error: ..., before any window opens). With --check-stages,
// proves the pack clearable instead (CheckStages) and opens no platform.
// `program` names the program in messages.
int RunKolvar(const char* program, const Arguments& args, const std::string& program_dir,
              const std::string& data_from_bindir, const Backend& backend);

}  // namespace kolvar
