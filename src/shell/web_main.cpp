// kolvar.js: the game in a browser page (web/index.html). The stages, the
// installed stage sets (/data/stages/NAME) and the MIDI files are embedded
// in the program under /data; the page's address may ask for a trace
// (`?trace`: /trace.jsonl in the page's memory, read by the browser tests),
// for a stage set (`?stages=NAME`) and for the stage editor (`?edit`, or
// `?edit=NAME` for a pack). The packs made in the editor are kept in
// localStorage, one entry a pack (kolvar.pack.NAME, editor/pack_bundle),
// put back into the page's files at each start and listed with the sets.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "editor/edited_pack.h"
#include "editor/pack_bundle.h"
#include "platform/desktop/folder_swap.h"
#include "platform/desktop/user_files.h"
#include "platform/regular_file.h"
#include "platform/web/web_platform.h"
#include "shell/edit_mode.h"
#include "shell/pack_folder.h"
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

constexpr const char* kPackKeyPrefix = "kolvar.pack.";

// The player's packs, where the editor keeps them in the page's files.
std::string UserStages() {
  return kolvar::DataDirectory() + "/stages";
}

// The packs kept in localStorage, back in the page's files, by name.
std::vector<kolvar::WebStageSet> RestoreKeptPacks() {
  std::vector<kolvar::WebStageSet> packs;
  for (const std::string& key : kolvar::PageTextKeys(kPackKeyPrefix)) {
    const std::string name = key.substr(std::string(kPackKeyPrefix).size());
    const std::optional<std::string> text = kolvar::LoadPageText(key);
    std::string fault;
    const auto files = text ? kolvar::UnbundlePack(*text, fault) : std::nullopt;
    const std::string folder = UserStages() + "/" + name;
    if (kolvar::PackFileKey(name) != name || !files ||
        !kolvar::ReplaceFolderFiles(folder, *files, kolvar::IsPackSourceName).empty()) {
      std::fprintf(stderr, "kolvar: localStorage %s: not a stage pack%s; left out\n", key.c_str(),
                   fault.empty() ? "" : (": " + fault).c_str());
      continue;
    }
    packs.push_back({name, StageSetTitle(folder)});
  }
  std::sort(packs.begin(), packs.end(),
            [](const auto& a, const auto& b) { return a.name < b.name; });
  return packs;
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
  // The player's own packs, made in the editor, are listed after the sets.
  std::vector<kolvar::WebStageSet> listed = sets;
  std::vector<std::string> own;
  for (const auto& pack : RestoreKeptPacks()) {
    const bool shadowed = std::any_of(sets.begin(), sets.end(),
                                      [&](const auto& set) { return set.name == pack.name; });
    if (shadowed) continue;
    listed.push_back(pack);
    own.push_back(pack.name);
  }
  const std::optional<std::string> wanted = kolvar::WebPageValue("stages");
  const bool known_set = !wanted || std::any_of(listed.begin(), listed.end(), [&](const auto& set) {
    return set.name == *wanted;
  });
  // The page names the set played: the game's own without `?stages=`.
#ifdef KOLVAR_PAGE_EDITOR
  kolvar::OfferWebEditor();
#endif
  kolvar::ShowWebStageSets(listed, known_set ? wanted.value_or(kOwnSet) : "");
  if (wanted) {
    if (!known_set) {
      std::string known;
      for (const auto& set : listed) known += (known.empty() ? "" : ", ") + set.name;
      kolvar::ShowWebError("no stage set '" + *wanted + "' in this page; the sets are: " + known);
      return 2;
    }
    const bool players = std::find(own.begin(), own.end(), *wanted) != own.end();
    args.stages = (players ? UserStages() : std::string(kDataRoot) + "/stages") + "/" + *wanted;
  }

  if (kolvar::WebPageAsks("edit")) {
#ifndef KOLVAR_PAGE_EDITOR
    kolvar::ShowWebError(
        "This page was built without the stage editor: on the desktop, kolvar --edit");
    return 2;
#endif
    args.edit = true;
    args.edit_pack = kolvar::WebPageValue("edit").value_or("");
    // Only names: a folder of the page's files is nobody's pack.
    if (args.edit_pack.find('/') != std::string::npos) {
      kolvar::ShowWebError("'" + args.edit_pack + "' is no pack's name");
      return 2;
    }
  }

  kolvar::Backend web;
#ifdef KOLVAR_PAGE_EDITOR
  web.edit = kolvar::RunEditMode;
#endif
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
  web.keep_pack = [](const std::string& folder,
                     const std::vector<std::pair<std::string, std::string>>& files) {
    const std::string name = std::filesystem::path(folder).filename().string();
    if (kolvar::SavePageText(kPackKeyPrefix + name, kolvar::BundlePack(files)))
      return std::string();
    return "the browser keeps no more for this page: " + name + " lasts only until it closes";
  };
  web.show_error = [](const std::string& message) { kolvar::ShowWebError(message); };
  return kolvar::RunKolvar("kolvar", args, kDataRoot, ".", web);
}
