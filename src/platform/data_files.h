// File names of the program's data directories.
#pragma once

#include <string>

namespace kolvar {

// `directory` + "/" + `name`. When no file of that exact name exists there,
// a file whose name matches without regard to letter case is taken instead
// (the data files come from a case-insensitive world: "CLEAR.MID" next to
// "title.mid"). When neither exists, the exact path is returned.
std::string ResolveDataFile(const std::string& directory, const std::string& name);

// `root` + "/" + `relative` ("DATA/Stage01.MAP"), each part of `relative`
// matched as ResolveDataFile matches a name, folders included: a "data/"
// folder holding "stage01.map" is found too.
std::string ResolveDataPath(const std::string& root, const std::string& relative);

}  // namespace kolvar
