// Where the stage pack a player names lies: a folder given by its path, or
// a pack of that name among the user's ($XDG_DATA_HOME/kolvar/stages/NAME)
// or the installed ones (stages/NAME in the data folder).
#pragma once

#include <string>
#include <vector>

namespace kolvar {

// The folders searched for a pack named `name`, the user's first.
std::vector<std::string> PackSearchFolders(const std::string& name, const std::string& data_root);

// The names of the packs (folders holding pack.txt) in the folders that
// PackSearchFolders looks in, sorted, each once, control bytes as \xNN.
std::vector<std::string> PacksFound(const std::string& data_root);

// The folder of the pack `name_or_folder`. A value holding a '/' (or "." or
// "..") is a folder and taken as it is; a bare name is looked up in
// PackSearchFolders, and a folder of that name in the working folder is
// taken last. Throws std::runtime_error naming every place looked in and
// the packs found there when none holds it.
std::string FindPackFolder(const std::string& name_or_folder, const std::string& data_root);

// A name for the pack's own files (its hi-score): the folder's last part,
// with every character but letters, digits, '-', '_' and '.' made '_'.
std::string PackFileKey(const std::string& folder);

}  // namespace kolvar
