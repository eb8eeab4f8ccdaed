// Replacing the files of a folder all at once: a stage pack is several
// files that belong together, and a crash or a full disk in the middle of
// saving must leave the pack as it was or as it is now, never a mix.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kolvar {

using FolderFiles = std::vector<std::pair<std::string, std::string>>;

// Makes `folder` hold `files` (each a name in the folder and its bytes) in
// place of the files `is_replaced` names (the ones the new set stands for,
// kept or not); every other entry of the folder is carried over. The new
// folder is written whole beside the old one (.NAME.new-XXXXXX), flushed to
// disk, and exchanged with it in one rename, so a reader sees the old
// folder or the new one; the old one is then removed. Leftovers of an
// earlier save that was killed are removed first. Creates the folder's
// parents. Returns an error message, or empty on success; on an error the
// folder is as it was.
//
// `before_swap`, when given, runs once the new folder is whole and just
// before the exchange (tests kill the program there).
std::string ReplaceFolderFiles(const std::string& folder, const FolderFiles& files,
                               const std::function<bool(const std::string&)>& is_replaced,
                               const std::function<void()>& before_swap = {});

}  // namespace kolvar
