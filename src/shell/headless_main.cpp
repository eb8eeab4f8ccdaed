// kolvar-headless: the game without a window or sound, for tests, replays,
// bots and CI. It takes the options of `kolvar --headless` and links none of
// the desktop's window, font or synthesizer libraries.

#include <optional>

#include "shell/command_line.h"
#include "shell/headless_launch.h"
#include "shell/program.h"

int main(int argc, char** argv) {
  kolvar::Arguments args;
  if (const std::optional<int> status =
          kolvar::ReadCommandLine(argc, argv, kolvar::ProgramKind::kHeadlessOnly, "kolvar-headless",
                                  KOLVAR_DATA_FROM_BINDIR, args)) {
    return *status;
  }
  return kolvar::RunHeadless("kolvar-headless", args, kolvar::ProgramDirectory(argv[0]),
                             KOLVAR_DATA_FROM_BINDIR);
}
