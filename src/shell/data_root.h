// Where the game's data lies: the folder that holds DATA/ (the stage files)
// and MIDI/ (the music), chosen and checked once at start-up so that a broken
// or moved installation is reported before the window opens, not when the
// first stage is entered.
#pragma once

#include <string>
#include <vector>

namespace kolvar {

// Every file the game loads from its data folder, relative to that folder:
// DATA/StageNN.MAP and DATA/StageNN.IVM for each stage, then MIDI/<piece>.
std::vector<std::string> DataFileNames();

struct DataRoot {
  std::string root;
  // Music files the folder lacks (the game plays on without them, silent).
  std::vector<std::string> missing_music;
};

// With `explicit_root` set (--root), that folder; otherwise the first of
// `candidates` that holds a DATA folder. Names are matched without regard to
// letter case, as the game opens them. Throws FatalError naming every
// missing stage file, or every folder searched when none holds DATA, or the
// first stage map that is malformed or would let the player off the map
// (CheckStageMap). Without `check_files` the folder is only chosen.
DataRoot FindDataRoot(const std::string& explicit_root, const std::vector<std::string>& candidates,
                      bool check_files = true);

}  // namespace kolvar
