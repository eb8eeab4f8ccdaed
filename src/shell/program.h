// One run of the program, whichever backend plays it: the data folder found
// and checked, the trace opened, the platform made, the title/game loop run
// until the window is closed, and every fault reported as one line.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "shell/command_line.h"

namespace kolvar {

struct Backend {
  // Makes the platform once the data folder (holding DATA/ and MIDI/) is
  // known to be sound: the window opens only then. Throws std::exception
  // with a one-line message.
  std::function<std::unique_ptr<Platform>(const std::string& data_root)> open;
  // After the close request, before the run counts as a success: what the
  // backend still has to write. Returns an error message, or empty.
  std::function<std::string()> finish;
  // Shows a fatal message where a player who sees no terminal will see it.
  std::function<void(const std::string&)> show_error;
};

// The folder the running program lies in.
std::string ProgramDirectory(const char* argv0);

// Runs the game; returns the exit status: 0 after a close request, 1 with
// a message on standard error when the game cannot go on. `program` names
// the program in messages.
int RunKolvar(const char* program, const Arguments& args, const std::string& program_dir,
              const std::string& data_from_bindir, const Backend& backend);

}  // namespace kolvar
