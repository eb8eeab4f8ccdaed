// A stage pack's own hi-score and Continue files in the user's data folder,
// named after the pack (the shell gives the name) and carried over from the
// name they had before.
#pragma once

#include <string>

namespace kolvar {

// The hi-score file of a pack whose files go under `key`, in the user's
// data folder `data_directory`: hiscore-KEY, its Continue beside it
// (ContinueFileFor). `old_key`, when not empty, is the name the pack's
// files had when they were named after its folder: while the pack has no
// hi-score or Continue under `key`, the old ones are copied to it, so the
// sets the game ships keep their players' hi-scores.
std::string PackHiScoreFile(const std::string& data_directory, const std::string& key,
                            const std::string& old_key);

}  // namespace kolvar
