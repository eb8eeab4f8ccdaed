// kolvar.js: the game in a browser page (web/index.html). The stages, the
// installed stage sets (/data/stages/NAME) and the MIDI files are embedded
// in the program under /data; the page's address may ask for a trace
// (`?trace`: /trace.jsonl in the page's memory, read by the browser tests)
// and for a stage set or one of the player's packs (`?stages=NAME`). The
// stage editor is a program of its own (web_editor_main.cpp), which the
// page loads instead of this one for `?edit`: this one carries no editor.

#include <optional>
#include <string>

#include "platform/web/web_platform.h"
#include "shell/program.h"
#include "shell/web_page.h"

int main() {
  kolvar::Arguments args;
  args.root = kolvar::kWebDataRoot;
  args.data_built_in = true;
  if (kolvar::WebPageAsks("trace")) args.trace = "/trace.jsonl";

  // Only the sets listed can be asked for by name: a value with a '/'
  // would otherwise be taken as a folder.
  const kolvar::WebStageSets sets = kolvar::LoadWebStageSets();
  const std::optional<std::string> wanted = kolvar::WebPageValue("stages");
  const std::string folder = wanted ? sets.FolderOf(*wanted) : std::string();
  // The page names the set played: the game's own without `?stages=`.
  kolvar::ShowWebStageSets(sets.listed, !wanted          ? kolvar::kWebOwnSet
                                        : folder.empty() ? ""
                                                         : *wanted);
  if (wanted) {
    if (folder.empty()) {
      std::string known;
      for (const auto& set : sets.listed) known += (known.empty() ? "" : ", ") + set.name;
      kolvar::ShowWebError("no stage set '" + *wanted + "' in this page; the sets are: " + known);
      return 2;
    }
    args.stages = folder;
  }

  kolvar::Backend web;
  web.open = kolvar::OpenWebPagePlatform;
  web.show_error = [](const std::string& message) { kolvar::ShowWebError(message); };
  return kolvar::RunKolvar("kolvar", args, kolvar::kWebDataRoot, ".", web);
}
