// File names of the program's data directories.
#pragma once

#include <string>

namespace kolvar {

// `directory` + "/" + `name`. When no file of that exact name exists there,
// a file whose name matches without regard to letter case is taken instead
// (the data files come from a case-insensitive world: "CLEAR.MID" next to
// "title.mid"). When neither exists, the exact path is returned.
std::string ResolveDataFile(const std::string& directory, const std::string& name);

}  // namespace kolvar
