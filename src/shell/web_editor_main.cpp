// kolvar-editor.js: the stage editor in a browser page, a program of its
// own that the page (web/loader.js) loads instead of the game's for
// `?edit` (a new pack), `?edit=NAME` (a pack of the player's or one of the
// page's stage sets, whose first save is the player's copy) and for an
// address whose fragment carries a pack (`#pack=...`, a shared link: the
// pack is played or copied into the player's packs, or refused whole with
// its faults). The player's packs are kept in localStorage as the game's
// program keeps them (shell/web_page), saved at each change. The page's
// pack tools call the functions below: a pack as one file to download, a
// file opened as a pack, a pack's link.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "editor/edited_pack.h"
#include "editor/message_proof_runner.h"
#include "editor/pack_bundle.h"
#include "editor/pack_link.h"
#include "platform/desktop/folder_swap.h"
#include "platform/web/web_editor_page.h"
#include "platform/web/web_platform.h"
#include "platform/web/web_worker.h"
#include "shell/edit_mode.h"
#include "shell/pack_folder.h"
#include "shell/program.h"
#include "shell/web_page.h"
#include "stage/stage_pack.h"

namespace {

namespace fs = std::filesystem;

// Where a pack opened from a file or a link is checked, and where a link's
// pack lies while it is played without being kept.
constexpr const char* kScratch = "/tmp/kolvar-opened";

// A text for the page, which frees it: '+' and the answer, or '-' and why
// there is none.
char* PageAnswer(bool ok, const std::string& text) {
  const std::string answer = (ok ? "+" : "-") + text;
  char* copy = static_cast<char*>(std::malloc(answer.size() + 1));
  std::memcpy(copy, answer.c_str(), answer.size() + 1);
  return copy;
}

// The folder of the pack `name`, the player's or one of the page's sets.
std::string PackFolderOf(const std::string& name) {
  if (name.empty() || kolvar::PackFileKey(name) != name) return {};
  std::error_code error;
  for (const std::string& folder : {kolvar::WebUserStages() + "/" + name,
                                    std::string(kolvar::kWebDataRoot) + "/stages/" + name}) {
    if (fs::is_directory(folder, error)) return folder;
  }
  return {};
}

// A name for a pack coming in, from `wanted` (a file's or a pack's name):
// its letters, digits, '-', '_' and '.' kept, the first of NAME, NAME-2,
// NAME-3, ... that no pack of the player's and no set of the page has.
std::string FreePackName(const std::string& wanted) {
  std::string base;
  for (const char c : wanted) {
    const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_' || c == '.';
    if (kept) {
      base += c;
    } else if (!base.empty() && base.back() != '-') {
      base += '-';
    }
    if (base.size() >= 32) break;
  }
  while (!base.empty() && (base.back() == '-' || base.back() == '.')) base.pop_back();
  while (!base.empty() && base.front() == '.') base.erase(0, 1);
  if (base.empty()) base = "pack";
  for (int n = 1;; ++n) {
    const std::string name = n == 1 ? base : base + "-" + std::to_string(n);
    if (PackFolderOf(name).empty()) return name;
  }
}

// Checks `files` whole by the stage rules, as the game reads a pack; the
// faults, one a line, or empty.
std::string PackFaults(const kolvar::PackBundleFiles& files) {
  std::error_code error;
  fs::remove_all(kScratch, error);
  const std::string written = kolvar::ReplaceFolderFiles(kScratch, files, kolvar::IsPackSourceName);
  if (!written.empty()) return written;
  const kolvar::PackResult read = kolvar::ReadStagePack(kScratch);
  std::string faults;
  for (const std::string& fault : read.faults) {
    // The scratch folder is nobody's: a fault names the file alone.
    std::string line = fault;
    const std::string prefix = std::string(kScratch) + "/";
    if (line.starts_with(prefix)) line.erase(0, prefix.size());
    faults += (faults.empty() ? "" : "\n") + line;
  }
  return faults;
}

// Puts the pack among the player's, kept by the page; returns its name, or
// empty and `fault` says why.
std::string KeepNewPack(const kolvar::PackBundleFiles& files, const std::string& wanted,
                        std::string& fault) {
  const std::string name = FreePackName(wanted);
  const std::string folder = kolvar::WebUserStages() + "/" + name;
  fault = kolvar::ReplaceFolderFiles(folder, files, kolvar::IsPackSourceName);
  if (fault.empty()) fault = kolvar::KeepPackInPage(folder, files);
  return fault.empty() ? name : std::string();
}

}  // namespace

// The page's pack tools call these (web/editor_page.js); each answer is
// freed by the page.
extern "C" {

// The pack `name` as one file (shell's pack_bundle text).
char* kolvar_pack_file(const char* name) {
  const std::string folder = PackFolderOf(name);
  if (folder.empty()) return PageAnswer(false, std::string("no pack '") + name + "' to download");
  const kolvar::OpenedPack opened = kolvar::ReadEditedPack(folder);
  return PageAnswer(true, kolvar::BundlePack(kolvar::PackFiles(opened.pack)));
}

// The pack `name`'s link fragment ("pack=..."), or why it has none.
char* kolvar_pack_link(const char* name) {
  const std::string folder = PackFolderOf(name);
  if (folder.empty()) return PageAnswer(false, std::string("no pack '") + name + "' to share");
  const kolvar::OpenedPack opened = kolvar::ReadEditedPack(folder);
  const kolvar::PackBundleFiles files = kolvar::PackFiles(opened.pack);
  if (const std::string faults = PackFaults(files); !faults.empty()) {
    return PageAnswer(false,
                      "the pack breaks the stage rules, and a link to it would be "
                      "refused; mend it first:\n" +
                          faults);
  }
  const std::string fragment = kolvar::PackLinkFragment(opened.pack);
  if (fragment.size() > kolvar::kMostLinkChars) {
    return PageAnswer(false, "the pack is too large for a link (" +
                                 std::to_string(fragment.size()) + " characters, at most " +
                                 std::to_string(kolvar::kMostLinkChars) +
                                 "): download it as a file instead");
  }
  return PageAnswer(true, fragment);
}

// A pack file the player opened (`text`, the file named `file_name`):
// checked whole by the stage rules and kept among the player's packs; its
// name, or every fault that refuses it.
char* kolvar_open_pack_file(const char* text, const char* file_name) {
  std::string fault;
  const auto files = kolvar::UnbundlePack(text, fault);
  if (!files) return PageAnswer(false, fault);
  if (const std::string faults = PackFaults(*files); !faults.empty()) {
    return PageAnswer(false, faults);
  }
  std::string stem = file_name;
  if (const size_t dot = stem.find('.'); dot != std::string::npos) stem.erase(dot);
  const std::string name = KeepNewPack(*files, stem, fault);
  return name.empty() ? PageAnswer(false, fault) : PageAnswer(true, name);
}

}  // extern "C"

int main() {
  kolvar::Arguments args;
  args.root = kolvar::kWebDataRoot;
  args.data_built_in = true;
  if (kolvar::WebPageAsks("trace")) args.trace = "/trace.jsonl";
  // The editor's Share (k, Ctrl+K) makes links to this page.
  args.share_site = kolvar::WebPageAddress();

  const kolvar::WebStageSets sets = kolvar::LoadWebStageSets();
  kolvar::ShowWebStageSets(sets.listed, "");

  kolvar::Backend web;
  web.open = kolvar::OpenWebPagePlatform;
  web.show_error = [](const std::string& message) { kolvar::ShowWebError(message); };
  web.edit = kolvar::RunEditMode;
  // The editor's proofs run in a Web Worker (kolvar-prover.js, beside the
  // page), fetched when the first is asked for; the page keeps its frames.
  web.prover = [](const std::string&) -> std::shared_ptr<kolvar::ProofRunner> {
    return kolvar::MakeMessageProofRunner(
        [](const std::string& job) { return kolvar::StartWebWorkerJob("kolvar-prover.js", job); });
  };
  web.keep_pack = [](const std::string& folder, const kolvar::PackBundleFiles& files) {
    // The page's tools act on the pack last saved (the copy of one of the
    // page's sets once it is saved, another pack once the list opens it).
    kolvar::ShowWebPackTools(fs::path(folder).filename().string());
    return kolvar::KeepPackInPage(folder, files);
  };

  const std::optional<std::string> fragment = kolvar::WebPageFragment();
  if (fragment && fragment->starts_with(std::string(kolvar::kPackLinkKey) + "=")) {
    const kolvar::OpenedLink link = kolvar::OpenPackLink(*fragment);
    if (!link.pack) {
      std::string words = "This link's stage pack is refused, nothing of it kept:";
      for (const std::string& fault : link.faults) words += "\n" + fault;
      std::fprintf(stderr, "kolvar: %s\n", words.c_str());
      kolvar::ShowWebLinkRefused(words);
      return 2;
    }
    const kolvar::EditedPack& pack = *link.pack;
    const size_t stages = pack.stages.size();
    const std::string about =
        std::to_string(stages) + (stages == 1 ? " stage" : " stages") + " by " + pack.info.author;
    const kolvar::PackBundleFiles files = kolvar::PackFiles(pack);
    if (kolvar::AskWebLinkChoice(pack.info.name, about) == kolvar::WebLinkChoice::kPlay) {
      // Played as it is, kept nowhere: the link is where it lives.
      const std::string folder = std::string(kScratch) + "/" + FreePackName(pack.info.name);
      const std::string fault = kolvar::ReplaceFolderFiles(folder, files, kolvar::IsPackSourceName);
      if (!fault.empty()) {
        kolvar::ShowWebError("the link's pack cannot be played: " + fault);
        return 1;
      }
      args.stages = folder;
      return kolvar::RunKolvar("kolvar", args, kolvar::kWebDataRoot, ".", web);
    }
    std::string fault;
    const std::string name = KeepNewPack(files, pack.info.name, fault);
    if (name.empty()) {
      kolvar::ShowWebError("the link's pack cannot be copied into your packs: " + fault);
      return 1;
    }
    kolvar::SetWebPageAddress("?edit=" + name);
    args.edit = true;
    args.edit_pack = name;
  } else {
    args.edit = true;
    args.edit_pack = kolvar::WebPageValue("edit").value_or("");
    // Only names: a folder of the page's files is nobody's pack.
    if (args.edit_pack.find('/') != std::string::npos) {
      kolvar::ShowWebError("'" + args.edit_pack + "' is no pack's name");
      return 2;
    }
  }
  // The pack the page's tools act on until the editor saves another.
  try {
    const kolvar::EditTarget target =
        kolvar::FindEditTarget(args.edit_pack, kolvar::kWebDataRoot, kolvar::WebUserStages());
    kolvar::ShowWebPackTools(fs::path(target.folder).filename().string());
  } catch (const std::exception&) {
    // RunKolvar tells the player what is wrong with the name.
  }
  return kolvar::RunKolvar("kolvar", args, kolvar::kWebDataRoot, ".", web);
}
