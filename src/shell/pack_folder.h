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

// The folder's last part, with every character but letters, digits, '-',
// '_' and '.' made '_': how recordings name where a pack lay, and the name
// the pack's own files had before they were named after the pack itself.
std::string PackFileKey(const std::string& folder);

// The name a pack's own files (its hi-score and Continue) go under: who the
// pack is, from its name and author in pack.txt, not where it lies. A
// readable part (the name's letters and digits in lower case, '-' between
// words, at most 32 characters) and eight hex digits of a digest of the
// name and the author, which keep apart two packs whose readable parts
// agree. A copy of a pack in another folder is the same pack; a pack whose
// name or author changes is another.
std::string PackIdentityKey(const std::string& name, const std::string& author);

// True when `folder` is one of the packs installed with the game
// (stages/NAME in the data folder).
bool IsInstalledPack(const std::string& folder, const std::string& data_root);

}  // namespace kolvar
