#include "shell/web_page.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "editor/edited_pack.h"
#include "editor/pack_bundle.h"
#include "platform/desktop/folder_swap.h"
#include "platform/desktop/user_files.h"
#include "platform/regular_file.h"
#include "shell/pack_folder.h"
#include "stage/stage_pack.h"
#include "video/text.h"

namespace kolvar {

namespace {

// The stage sets embedded in the page, the game's own first.
std::vector<WebStageSet> EmbeddedStageSets() {
  std::vector<WebStageSet> sets;
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::string(kWebDataRoot) + "/stages", error)) {
    if (entry.is_directory(error))
      sets.push_back({entry.path().filename().string(), WebStageSetTitle(entry.path().string())});
  }
  std::sort(sets.begin(), sets.end(), [](const auto& a, const auto& b) {
    return (a.name == kWebOwnSet) != (b.name == kWebOwnSet) ? a.name == kWebOwnSet
                                                            : a.name < b.name;
  });
  return sets;
}

// The packs kept in localStorage, back in the page's files, by name.
std::vector<WebStageSet> RestoreKeptPacks() {
  std::vector<WebStageSet> packs;
  const std::string prefix = kWebPackKeyPrefix;
  for (const std::string& key : PageTextKeys(prefix)) {
    const std::string name = key.substr(prefix.size());
    const std::optional<std::string> text = LoadPageText(key);
    std::string fault;
    const auto files = text ? UnbundlePack(*text, fault) : std::nullopt;
    const std::string folder = WebUserStages() + "/" + name;
    if (PackFileKey(name) != name || !files ||
        !ReplaceFolderFiles(folder, *files, IsPackSourceName).empty()) {
      std::fprintf(stderr, "kolvar: localStorage %s: not a stage pack%s; left out\n", key.c_str(),
                   fault.empty() ? "" : (": " + fault).c_str());
      continue;
    }
    packs.push_back({name, WebStageSetTitle(folder)});
  }
  std::sort(packs.begin(), packs.end(),
            [](const auto& a, const auto& b) { return a.name < b.name; });
  return packs;
}

}  // namespace

std::string WebUserStages() {
  return DataDirectory() + "/stages";
}

std::string WebStageSetTitle(const std::string& folder) {
  const RegularFile file = ReadRegularFile(folder + "/pack.txt", kMostPackSourceBytes);
  std::vector<std::string> faults;
  const PackInfo info = ParsePackInfo(file.bytes, "pack.txt", faults);
  return info.name.empty() ? std::filesystem::path(folder).filename().string() : info.name;
}

std::string WebStageSets::FolderOf(const std::string& name) const {
  if (std::find(own.begin(), own.end(), name) != own.end()) return WebUserStages() + "/" + name;
  const bool embedded = std::any_of(listed.begin(), listed.end(),
                                    [&](const WebStageSet& set) { return set.name == name; });
  return embedded ? std::string(kWebDataRoot) + "/stages/" + name : std::string();
}

WebStageSets LoadWebStageSets() {
  WebStageSets sets;
  sets.listed = EmbeddedStageSets();
  const size_t embedded = sets.listed.size();
  for (const WebStageSet& pack : RestoreKeptPacks()) {
    const auto first = sets.listed.begin();
    const bool shadowed = std::any_of(first, first + static_cast<std::ptrdiff_t>(embedded),
                                      [&](const auto& set) { return set.name == pack.name; });
    if (shadowed) continue;
    sets.listed.push_back(pack);
    sets.own.push_back(pack.name);
  }
  return sets;
}

std::string KeepPackInPage(const std::string& folder,
                           const std::vector<std::pair<std::string, std::string>>& files) {
  const std::string name = std::filesystem::path(folder).filename().string();
  if (SavePageText(kWebPackKeyPrefix + name, BundlePack(files))) return {};
  return "the browser keeps no more for this page: " + name + " lasts only until it closes";
}

std::unique_ptr<Platform> OpenWebPagePlatform(const OpenRequest& request) {
  WebOptions options;
  options.music_folder = request.data_root + "/MIDI";
  options.render_text = RenderTextLine;
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
  return CreateWebPlatform(options);
}

}  // namespace kolvar
