// The midic command: midic SCORE OUTPUT.mid
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace midic {

// Compiles the score file named by args[0] into the MIDI file args[1].
// Problems go to `err` as "file:line: error: message". Returns the exit status:
// 0 on success, 1 for a bad score or an unwritable output, 2 for bad usage.
int RunMidic(const std::vector<std::string>& args, std::ostream& err);

}  // namespace midic
