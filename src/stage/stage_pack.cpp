#include "stage/stage_pack.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <utility>

#include "platform/printable.h"
#include "platform/regular_file.h"
#include "stage/stage_compiler.h"

namespace kolvar {

namespace {

namespace fs = std::filesystem;

// The pack's name is shown in the window's caption.
constexpr size_t kMostNameChars = 60;

// A fault's line, safe to print: what it quotes of a file (and the file's
// own name) shows control bytes as \xNN.
std::string Fault(const std::string& file, int line, const std::string& message) {
  return PrintableUtf8(file + ":" + std::to_string(line) + ": error: " + message);
}

std::string Fault(const std::string& file, const std::string& message) {
  return PrintableUtf8(file + ": error: " + message);
}

// An editor's UTF-8 byte-order mark is no part of a file's first line.
std::string_view WithoutByteOrderMark(std::string_view text) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  return text;
}

// True when `path` is, or leads by a link to, a file outside `folder`: such
// a file is no part of the pack and is not read, so nothing of it (a
// private key, say) can reach a fault's line.
bool LeadsOutside(const std::string& path, const fs::path& folder) {
  std::error_code error;
  const fs::path real = fs::weakly_canonical(path, error);
  if (error) return false;  // the read that follows names what is wrong
  const fs::path inside = fs::weakly_canonical(folder, error);
  if (error) return false;
  const fs::path relative = real.lexically_relative(inside);
  return relative.empty() || *relative.begin() == "..";
}

std::string_view Trim(std::string_view s) {
  const size_t first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// Reads a pack's text file in `folder` whole; nothing (with a fault) when
// it is missing, no regular file, too large, unreadable or a link leading
// out of the folder.
std::optional<std::string> ReadSmallFile(const std::string& path, const fs::path& folder,
                                         std::vector<std::string>& faults) {
  if (LeadsOutside(path, folder)) {
    faults.push_back(Fault(path, "is a link to a file outside the pack's folder; not read"));
    return std::nullopt;
  }
  RegularFile file = ReadRegularFile(path, kMostPackSourceBytes);
  switch (file.status) {
    case RegularFile::Status::kRead:
      return std::move(file.bytes);
    case RegularFile::Status::kNotRegular:
      faults.push_back(Fault(path, "is " + file.reason));
      return std::nullopt;
    case RegularFile::Status::kTooLarge:
      faults.push_back(Fault(path, "is " + std::to_string(file.size) +
                                       " bytes long; a stage pack's files are text of at most "
                                       "1 MiB"));
      return std::nullopt;
    default:
      faults.push_back(Fault(path, "cannot open: " + file.reason));
      return std::nullopt;
  }
}

// The stage number in a name "stageNN.txt" (NN two digits, 01..99), 0 for
// any other name.
int StageNumberOf(const std::string& name) {
  if (name.size() != 11 || !name.starts_with("stage") || !name.ends_with(".txt")) return 0;
  const char a = name[5], b = name[6];
  if (a < '0' || a > '9' || b < '0' || b > '9') return 0;
  return (a - '0') * 10 + (b - '0');
}

std::string StageFileName(int number) {
  const char digits[3] = {static_cast<char>('0' + number / 10),
                          static_cast<char>('0' + number % 10), 0};
  return std::string("stage") + digits + ".txt";
}

}  // namespace

PackInfo ParsePackInfo(std::string_view text, const std::string& file,
                       std::vector<std::string>& faults) {
  PackInfo info;
  std::map<std::string, int> seen;  // key -> line it was first given on
  text = WithoutByteOrderMark(text);
  int line = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view raw = text.substr(start, end - start);
    start = end + 1;
    ++line;
    const std::string_view content = Trim(raw);
    if (content.empty() || content.front() == ';') continue;
    const size_t colon = content.find(':');
    if (colon == std::string_view::npos) {
      faults.push_back(Fault(file, line,
                             "expected 'key: value' (name, author or description), got '" +
                                 std::string(content) + "'"));
      continue;
    }
    const std::string key(Trim(content.substr(0, colon)));
    const std::string value(Trim(content.substr(colon + 1)));
    std::string* field = key == "name"          ? &info.name
                         : key == "author"      ? &info.author
                         : key == "description" ? &info.description
                                                : nullptr;
    if (!field) {
      faults.push_back(
          Fault(file, line, "unknown key '" + key + "' (expected name, author or description)"));
      continue;
    }
    if (const auto it = seen.find(key); it != seen.end()) {
      faults.push_back(Fault(
          file, line,
          "second '" + key + ":' line (the first is on line " + std::to_string(it->second) + ")"));
      continue;
    }
    seen[key] = line;
    if (value.empty()) {
      faults.push_back(Fault(file, line, "the " + key + " is empty"));
      continue;
    }
    if (!IsValidUtf8(value)) {
      faults.push_back(Fault(file, line, "the " + key + " is not valid UTF-8"));
      continue;
    }
    if (!IsPlainText(value)) {
      faults.push_back(Fault(file, line, "the " + key + " holds a control character"));
      continue;
    }
    if (key == "name" && value.size() > kMostNameChars) {
      faults.push_back(Fault(file, line,
                             "the name is " + std::to_string(value.size()) +
                                 " characters long; at most " + std::to_string(kMostNameChars)));
      continue;
    }
    *field = value;
  }
  for (const char* key : {"name", "author"}) {
    if (!seen.contains(key)) {
      faults.push_back(Fault(file, std::max(line, 1), std::string("no '") + key + ":' line"));
    }
  }
  return info;
}

PackResult ReadStagePack(const std::string& folder) {
  PackResult result;
  std::vector<std::string>& faults = result.faults;
  std::error_code error;
  if (!fs::is_directory(folder, error)) {
    faults.push_back(Fault(folder, "is not a folder holding a stage pack"));
    return result;
  }

  StagePack pack;
  pack.folder = folder;
  const std::string info_path = (fs::path(folder) / "pack.txt").string();
  if (const std::optional<std::string> text = ReadSmallFile(info_path, folder, faults)) {
    pack.info = ParsePackInfo(*text, info_path, faults);
  }

  // Which stage numbers the folder holds; names that look like a stage
  // source but are not stageNN.txt are refused rather than left out unseen.
  std::vector<bool> present(kMostPackStages + 1, false);
  int highest = 0;
  fs::directory_iterator entries(folder, error);
  for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
    const std::string name = entries->path().filename().string();
    if (!name.starts_with("stage") || !name.ends_with(".txt")) continue;
    const int number = StageNumberOf(name);
    if (number < 1) {
      faults.push_back(Fault(entries->path().string(),
                             "not a stage source name; stages are stage01.txt to stage99.txt"));
      continue;
    }
    present[static_cast<size_t>(number)] = true;
    highest = std::max(highest, number);
  }
  if (error) {
    faults.push_back(Fault(folder, "cannot list the folder: " + error.message()));
    return result;
  }
  if (highest == 0) {
    faults.push_back(Fault(folder, "holds no stage sources (stage01.txt, stage02.txt, ...)"));
  }

  for (int number = 1; number <= highest; ++number) {
    const std::string path = (fs::path(folder) / StageFileName(number)).string();
    if (!present[static_cast<size_t>(number)]) {
      faults.push_back(Fault(path,
                             "missing: the stages are numbered from stage01.txt without a "
                             "gap, and " +
                                 StageFileName(highest) + " is there"));
      continue;
    }
    const std::optional<std::string> text = ReadSmallFile(path, folder, faults);
    if (!text) continue;
    const stagec::CompileResult compiled = stagec::compile_stage(*text);
    for (const stagec::Diagnostic& d : compiled.errors) {
      faults.push_back(PrintableUtf8(stagec::format_diagnostic(path, d)));
    }
    if (!compiled.stage) continue;
    StageGrids grids;
    grids.map = compiled.stage->map;
    grids.spawns = compiled.stage->ivm;
    pack.files.push_back(path);
    pack.titles.push_back(PrintableUtf8(compiled.stage->title));
    pack.stages.push_back(grids);
  }
  if (faults.empty()) result.pack = std::move(pack);
  return result;
}

}  // namespace kolvar
