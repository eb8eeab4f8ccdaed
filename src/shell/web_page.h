// What the page's two programs share (web_main.cpp: the game, kolvar.js;
// web_editor_main.cpp: the stage editor, kolvar-editor.js, which the page
// loads only for `?edit` and for a link carrying a pack): the stage sets
// embedded under /data, the player's packs kept in localStorage one entry a
// pack (kolvar.pack.NAME, the text of shell/pack_bundle) and put back into
// the page's files at each start, and the platform each opens.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/web/web_platform.h"
#include "shell/program.h"

namespace kolvar {

inline constexpr const char* kWebDataRoot = "/data";
// The game's own set, first in the list and played without `?stages=`.
inline constexpr const char* kWebOwnSet = "kolvar";
inline constexpr const char* kWebPackKeyPrefix = "kolvar.pack.";

// The folder the player's packs lie in, in the page's files.
std::string WebUserStages();

// A stage set's or pack's title from its pack.txt; its folder's name when
// that names none.
std::string WebStageSetTitle(const std::string& folder);

// The page's stage sets: the embedded ones (the game's own first), then the
// player's packs kept in localStorage, put back into WebUserStages() (a
// kept entry that is no pack is told on the console and left out; a pack
// named as an embedded set is not listed).
struct WebStageSets {
  std::vector<WebStageSet> listed;
  std::vector<std::string> own;  // the names of the player's packs among them
  // The folder of the set or pack `name`, or empty when the page has none.
  std::string FolderOf(const std::string& name) const;
};
WebStageSets LoadWebStageSets();

// Keeps a pack's files in localStorage (kolvar.pack.NAME, NAME the
// folder's name). Returns what went wrong, or empty.
std::string KeepPackInPage(const std::string& folder,
                           const std::vector<std::pair<std::string, std::string>>& files);

// The page's platform for a run of the game or the editor.
std::unique_ptr<Platform> OpenWebPagePlatform(const OpenRequest& request);

}  // namespace kolvar
