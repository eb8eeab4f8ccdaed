// Where the game keeps its files in the user's home, after the XDG base
// directory rules, and how it writes them so a crash never leaves half a
// file.
#pragma once

#include <string>

namespace kolvar {

// $XDG_CONFIG_HOME/kolvar, else ~/.config/kolvar; empty without either.
std::string ConfigDirectory();
// $XDG_DATA_HOME/kolvar, else ~/.local/share/kolvar; empty without either.
std::string DataDirectory();
// The user's pictures folder: $XDG_PICTURES_DIR, else the one named in
// user-dirs.dirs, when it exists; else empty.
std::string PicturesDirectory();

// Writes `bytes` to `path` through a temporary file in the same folder that
// is flushed to disk and then renamed over `path`, so readers see the old
// file or the new one, never a part. Creates missing folders. Returns an
// error message, or an empty string on success.
std::string WriteFileAtomically(const std::string& path, const std::string& bytes);

}  // namespace kolvar
