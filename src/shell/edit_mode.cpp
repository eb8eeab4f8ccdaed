#include "shell/edit_mode.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "core/fatal_error.h"
#include "core/game.h"
#include "core/trace.h"
#include "editor/editor_loop.h"
#include "platform/desktop/config_file.h"
#include "platform/desktop/folder_swap.h"
#include "platform/desktop/user_files.h"
#include "shell/pack_folder.h"

namespace kolvar {

namespace {

namespace fs = std::filesystem;

constexpr const char* kNewPackName = "my-stages";
// Who a new pack is by until the player says: pack.txt needs an author.
constexpr const char* kUnknownAuthor = "unknown";

bool IsFolder(const std::string& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

bool Exists(const std::string& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

// `base` in `folder`, else base-2, base-3, ... whichever is free first.
std::string FreeFolder(const std::string& folder, const std::string& base) {
  for (int n = 1;; ++n) {
    const std::string path = folder + "/" + base + (n == 1 ? "" : "-" + std::to_string(n));
    if (!Exists(path)) return path;
  }
}

// The packs in `stages`, a folder holding pack folders, by name.
std::vector<std::string> PackNames(const std::string& stages) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(stages, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    // Hidden folders are a killed save's leftovers, never a pack.
    if (name.starts_with(".") || !IsFolder(it->path().string())) continue;
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

ShelfPack ShelfPackOf(const EditTarget& target) {
  ShelfPack pack;
  pack.name = fs::path(target.folder).filename().string();
  pack.folder = target.folder;
  pack.read_only = target.read_only;
  pack.copy_folder = target.copy_folder;
  pack.exists = target.exists;
  return pack;
}

// The file beside a pack that the editor's Share writes its link into.
constexpr const char* kLinkFile = "link.txt";

// Hands out a link: on the terminal, on the clipboard where there is one,
// and in link.txt in the pack's folder once the pack has been saved there
// (saving keeps it: only the pack's own files are replaced). Returns what
// the editor's message line says.
std::string ShareLink(const char* program, const std::string& link, const std::string& folder,
                      Platform& platform) {
  std::fprintf(stderr, "%s: a link to the pack (%zu characters):\n%s\n", program, link.size(),
               link.c_str());
  const bool copied = platform.CopyToClipboard(link);
  bool kept = false;
  std::error_code error;
  if (!folder.empty() && std::filesystem::is_directory(folder, error)) {
    const std::string path = folder + "/" + kLinkFile;
    const std::string failure = WriteFileAtomically(path, link + "\n");
    if (failure.empty()) {
      std::fprintf(stderr, "%s: the link is in %s\n", program, path.c_str());
      kept = true;
    } else {
      std::fprintf(stderr, "%s: %s\n", program, failure.c_str());
    }
  }
  if (copied) return kept ? "Link on the clipboard and in link.txt" : "Link on the clipboard";
  return kept ? "Link in link.txt and the terminal" : "Link shown in the terminal";
}

}  // namespace

PackShelf ShelfOf(const std::string& data_root, const std::string& user_stages,
                  const std::string& author) {
  PackShelf shelf;
  shelf.author = author;
  shelf.list = [data_root, user_stages] {
    std::vector<ShelfPack> packs;
    std::vector<std::string> names = PackNames(user_stages);
    for (const std::string& name : PackNames(data_root + "/stages")) {
      if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    for (const std::string& name : names) {
      if (PackFileKey(name) != name) continue;  // no name the command line takes
      packs.push_back(ShelfPackOf(FindEditTarget(name, data_root, user_stages)));
    }
    return packs;
  };
  shelf.make_new = [data_root, user_stages] {
    return ShelfPackOf(FindEditTarget("", data_root, user_stages));
  };
  return shelf;
}

EditTarget FindEditTarget(const std::string& name_or_folder, const std::string& data_root,
                          const std::string& user_stages) {
  EditTarget target;
  const auto need_user_folder = [&] {
    if (user_stages.empty()) {
      throw std::runtime_error(
          "no folder to keep stage packs in: neither XDG_DATA_HOME nor HOME is set (give "
          "--edit a folder)");
    }
  };
  if (name_or_folder.empty()) {
    need_user_folder();
    target.folder = FreeFolder(user_stages, kNewPackName);
    target.name = fs::path(target.folder).filename().string();
    return target;
  }
  if (name_or_folder.find('/') != std::string::npos || name_or_folder == "." ||
      name_or_folder == "..") {
    target.folder = name_or_folder;
    target.exists = IsFolder(name_or_folder);
    target.name = PackFileKey(name_or_folder);
    return target;
  }
  if (PackFileKey(name_or_folder) != name_or_folder) {
    throw std::runtime_error("'" + name_or_folder +
                             "' is no pack's name: use letters, digits, '-', '_' and '.' (or "
                             "give a folder)");
  }
  target.name = name_or_folder;
  if (!user_stages.empty() && IsFolder(user_stages + "/" + name_or_folder)) {
    target.folder = user_stages + "/" + name_or_folder;
    target.exists = true;
    return target;
  }
  if (IsFolder(data_root + "/stages/" + name_or_folder)) {
    need_user_folder();
    target.folder = data_root + "/stages/" + name_or_folder;
    target.exists = true;
    target.read_only = true;
    target.copy_folder = FreeFolder(user_stages, name_or_folder + "-copy");
    return target;
  }
  need_user_folder();
  target.folder = user_stages + "/" + name_or_folder;
  return target;
}

int RunEditMode(const char* program, const Arguments& args, const std::string& data_root,
                const Backend& backend) {
  const std::string user = DataDirectory();
  const EditTarget target =
      FindEditTarget(args.edit_pack, data_root, user.empty() ? user : user + "/stages");
  // The browser's runtime names every user web_user: no one's name.
  const char* login = backend.keep_pack ? nullptr : std::getenv("USER");
  const std::string author = login && *login ? login : kUnknownAuthor;
  OpenedPack opened;
  if (target.exists) {
    opened = ReadEditedPack(target.folder);
    for (const std::string& problem : opened.problems) {
      std::fprintf(stderr, "%s: %s\n", program, problem.c_str());
    }
  } else {
    opened.pack.info.name = target.name;
    opened.pack.info.author = author;
    opened.pack.stages.push_back(std::make_shared<const EditedStage>(NewStage("Stage 1")));
  }

  OpenRequest request;
  request.data_root = data_root;
  request.pack_name = "editing " + opened.pack.info.name;
  request.pack_key = PackFileKey(target.folder);
  const std::unique_ptr<Platform> platform = backend.open(request);
  if (backend.attach) backend.attach(*platform);
  auto game = std::make_unique<Game>(*platform, data_root);
  // --trace follows the play-tests.
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> trace_file(nullptr, &std::fclose);
  std::optional<Trace> trace;
  if (!args.trace.empty()) {
    trace_file.reset(std::fopen(args.trace.c_str(), "w"));
    if (!trace_file) throw std::runtime_error(args.trace + ": cannot write the trace");
    trace.emplace(trace_file.get(), args.trace);
    game->trace = &*trace;
  }

  EditorOptions options;
  options.folder = target.folder;
  options.opened = std::move(opened);
  options.read_only = target.read_only;
  options.copy_folder = target.copy_folder;
  options.save = [&backend](const std::string& folder, const FolderFiles& files) {
    const std::string error = ReplaceFolderFiles(folder, files, IsPackSourceName);
    if (!error.empty() || !backend.keep_pack) return error;
    return backend.keep_pack(folder, files);
  };
  // A backend that keeps the packs itself (the browser's page) is closed
  // without a word to the program: each change is saved as it is made.
  options.save_each_change = static_cast<bool>(backend.keep_pack);
  if (!user.empty()) options.shelf = ShelfOf(data_root, user + "/stages", author);
  if (backend.prover) options.prover = backend.prover(data_root);
  const std::string site =
      args.share_site.empty() ? std::string(kDefaultShareSite) : args.share_site;
  // A link file in a page's own files would reach no one: the browser's
  // page shows the link instead.
  const bool link_file = !backend.keep_pack;
  options.share = [program, site, link_file, &platform](const std::string& fragment,
                                                        const std::string& folder) {
    if (link_file) return ShareLink(program, site + "#" + fragment, folder, *platform);
    return ShareLink(program, site + "#" + fragment, "", *platform).starts_with("Link on")
               ? std::string("Link on the clipboard")
               : std::string("Link shown below the picture");
  };
  try {
    RunEditor(*game, std::move(options), [program](const std::string& message) {
      std::fprintf(stderr, "%s: %s\n", program, message.c_str());
    });
  } catch (const CloseRequested&) {
    if (trace) trace->Finish();
    if (backend.finish) {
      const std::string error = backend.finish();
      if (!error.empty()) throw std::runtime_error(error);
    }
  }
  return 0;
}

}  // namespace kolvar
