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

#include "platform/regular_file.h"
#include "platform/web/web_platform.h"
#include "shell/program.h"
#include "stage/stage_pack.h"
#include "video/text.h"

namespace {

constexpr const char* kDataRoot = "/data";
constexpr const char* kOwnSet = "kolvar";

// A set's title from its pack.txt; its folder's name when that names none.
std::string StageSetTitle(const std::filesystem::path& folder) {
  const kolvar::RegularFile file =
      kolvar::ReadRegularFile((folder / "pack.txt").string(), kolvar::kMostPackSourceBytes);
  std::vector<std::string> faults;
  const kolvar::PackInfo info = kolvar::ParsePackInfo(file.bytes, "pack.txt", faults);
  return info.name.empty() ? folder.filename().string() : info.name;
}

// The stage sets embedded in the page, the game's own ("kolvar") first.
std::vector<kolvar::WebStageSet> EmbeddedStageSets() {
  std::vector<kolvar::WebStageSet> sets;
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::string(kDataRoot) + "/stages", error)) {
    if (entry.is_directory(error))
      sets.push_back({entry.path().filename().string(), StageSetTitle(entry.path())});
  }
  std::sort(sets.begin(), sets.end(), [](const auto& a, const auto& b) {
    return (a.name == kOwnSet) != (b.name == kOwnSet) ? a.name == kOwnSet : a.name < b.name;
  });
  return sets;
}

}  // namespace

int main() {
  kolvar::Arguments args;
  args.root = kDataRoot;
  args.data_built_in = true;
  if (kolvar::WebPageAsks("trace")) args.trace = "/trace.jsonl";

  // Only the sets embedded in the page can be asked for by name: a value
  // with a '/' would otherwise be taken as a folder.
  const std::vector<kolvar::WebStageSet> sets = EmbeddedStageSets();
  const std::optional<std::string> wanted = kolvar::WebPageValue("stages");
  const bool known_set = !wanted || std::any_of(sets.begin(), sets.end(), [&](const auto& set) {
    return set.name == *wanted;
  });
  // The page names the set played: the game's own without `?stages=`.
  kolvar::ShowWebStageSets(sets, known_set ? wanted.value_or(kOwnSet) : "");
  if (wanted) {
    if (!known_set) {
      std::string known;
      for (const auto& set : sets) known += (known.empty() ? "" : ", ") + set.name;
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
      options.hiscore_key = "kolvar.hiscore." + request.files_key;
      if (!request.old_files_key.empty()) {
        options.old_hiscore_key = "kolvar.hiscore." + request.old_files_key;
      }
      // And its own Continue stage.
      options.continue_key = "kolvar.continue." + request.files_key;
    }
    return kolvar::CreateWebPlatform(options);
  };
  web.show_error = [](const std::string& message) { kolvar::ShowWebError(message); };
  return kolvar::RunKolvar("kolvar", args, kDataRoot, ".", web);
}
