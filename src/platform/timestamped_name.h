// The name of a file the game makes at a moment the player picks (a
// screenshot, a recording), in every backend alike:
// kolvar_YYYY-MM-DD_HH-MM-SS in local time, so that sorted by name the
// files are in the order they were made.
#pragma once

#include <cstdint>
#include <string>

namespace kolvar {

// The name for `when` (seconds since 1970), with "_N" after the time for
// the Nth file of the same second (`n` above 1), then `extension`:
// kolvar_2026-12-07_23-10-43_2.png for (when, 2, ".png").
std::string TimestampedName(int64_t when, int n = 1, const std::string& extension = "");

}  // namespace kolvar
