// kolvar.js: the game in a browser page (web/index.html). The stages, the
// installed stage sets (/data/stages/NAME) and the MIDI files are embedded
// in the program under /data; the page's address may ask for a trace
// (`?trace`: /trace.jsonl in the page's memory, read by the browser tests)
// and for a stage set (`?stages=NAME`).

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/web/web_platform.h"
#include "shell/program.h"
#include "video/text.h"

namespace {

constexpr const char* kDataRoot = "/data";

// The stage sets embedded in the page, the game's own ("kolvar") first.
std::vector<std::string> EmbeddedStageSets() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::string(kDataRoot) + "/stages", error)) {
    if (entry.is_directory(error)) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return (a == "kolvar") != (b == "kolvar") ? a == "kolvar" : a < b;
  });
  return names;
}

}  // namespace

int main() {
  kolvar::Arguments args;
  args.root = kDataRoot;
  if (kolvar::WebPageAsks("trace")) args.trace = "/trace.jsonl";

  // Only the sets embedded in the page can be asked for by name: a value
  // with a '/' would otherwise be taken as a folder.
  const std::vector<std::string> sets = EmbeddedStageSets();
  const std::optional<std::string> wanted = kolvar::WebPageValue("stages");
  kolvar::ShowWebStageSets(sets, wanted.value_or(""));
  if (wanted) {
    if (std::find(sets.begin(), sets.end(), *wanted) == sets.end()) {
      std::string known;
      for (const std::string& name : sets) known += (known.empty() ? "" : ", ") + name;
      kolvar::ShowWebError("no stage set '" + *wanted + "' in this page; the sets are: " + known);
      return 2;
    }
    args.stages = std::string(kDataRoot) + "/stages/" + *wanted;
  }

  kolvar::Backend web;
  web.open = [](const kolvar::OpenRequest& request) {
    kolvar::WebOptions options;
    options.music_folder = request.data_root + "/MIDI";
    options.render_text = kolvar::RenderTextLine;
    if (!request.pack_name.empty()) {
      // A set keeps its own hi-score beside the game's.
      options.caption = "Kolvar - " + request.pack_name;
      options.hiscore_key = "kolvar.hiscore." + request.pack_key;
    }
    return kolvar::CreateWebPlatform(options);
  };
  web.show_error = [](const std::string& message) { kolvar::ShowWebError(message); };
  return kolvar::RunKolvar("kolvar", args, kDataRoot, ".", web);
}
