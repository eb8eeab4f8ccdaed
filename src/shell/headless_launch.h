// The headless run of both programs (`kolvar --headless` and
// `kolvar-headless`): the input script read, the virtual-clock platform made
// from the command line, and the screenshots still due written after the
// close request.
#pragma once

#include <string>

#include "shell/command_line.h"

namespace kolvar {

// Returns the exit status: 2 when the input script cannot be read or
// parsed, else as RunKolvar.
int RunHeadless(const char* program, const Arguments& args, const std::string& program_dir,
                const std::string& data_from_bindir);

}  // namespace kolvar
