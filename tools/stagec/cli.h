// The stagec command line, kept apart from main() so the tests can drive it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace stagec {

// stagec STAGE.txt OUT.MAP OUT.IVM   compiles one stage into its two files
// stagec --check STAGE.txt...        only checks the stages
// Returns the process exit code: 0 on success, 1 for a bad stage or an I/O
// failure, 2 for a bad command line. Every message goes to `err`.
int run(const std::vector<std::string>& args, std::ostream& err);

}  // namespace stagec
