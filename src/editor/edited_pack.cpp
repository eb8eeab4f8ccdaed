#include "editor/edited_pack.h"

#include <cctype>
#include <filesystem>

#include "platform/regular_file.h"

namespace kolvar {

namespace {

namespace fs = std::filesystem;

constexpr const char* kInfoFile = "pack.txt";

}  // namespace

bool EditedPack::operator==(const EditedPack& other) const {
  if (info.name != other.info.name || info.author != other.info.author ||
      info.description != other.info.description || stages.size() != other.stages.size()) {
    return false;
  }
  for (size_t i = 0; i < stages.size(); ++i) {
    if (stages[i] != other.stages[i] && !(*stages[i] == *other.stages[i])) return false;
  }
  return true;
}

bool IsPackSourceName(const std::string& name) {
  if (name == kInfoFile) return true;
  return name.size() == StageFileName(1).size() && name.starts_with("stage") &&
         name.ends_with(".txt") && std::isdigit(static_cast<unsigned char>(name[5])) &&
         std::isdigit(static_cast<unsigned char>(name[6]));
}

std::string StageFileName(int number) {
  const char digits[3] = {static_cast<char>('0' + number / 10 % 10),
                          static_cast<char>('0' + number % 10), 0};
  return std::string("stage") + digits + ".txt";
}

OpenedPack ReadEditedPack(const std::string& folder) {
  OpenedPack opened;
  const auto read = [&](const std::string& path) -> std::optional<std::string> {
    RegularFile file = ReadRegularFile(path, kMostPackSourceBytes);
    if (file.ok()) return std::move(file.bytes);
    if (file.status != RegularFile::Status::kMissing) {
      opened.problems.push_back(path + ": cannot read: " + file.reason);
    }
    return std::nullopt;
  };
  const std::string info_path = (fs::path(folder) / kInfoFile).string();
  if (const std::optional<std::string> text = read(info_path)) {
    std::vector<std::string> faults;
    opened.pack.info = ParsePackInfo(*text, info_path, faults);
    opened.problems.insert(opened.problems.end(), faults.begin(), faults.end());
  }
  int number = 1;
  for (; number <= kMostPackStages; ++number) {
    const std::string path = (fs::path(folder) / StageFileName(number)).string();
    const size_t problems_before = opened.problems.size();
    const std::optional<std::string> text = read(path);
    if (!text) {
      if (opened.problems.size() != problems_before) opened.stages_whole = false;
      break;
    }
    std::vector<std::string> problems;
    EditedStage stage = ReadStageText(*text, problems);
    for (const std::string& problem : problems) opened.problems.push_back(path + ": " + problem);
    if (!problems.empty()) opened.stages_whole = false;
    opened.pack.stages.push_back(std::make_shared<const EditedStage>(std::move(stage)));
  }
  // Stages after a gap are not read.
  for (int later = number + 1; later <= kMostPackStages; ++later) {
    std::error_code error;
    const fs::path path = fs::path(folder) / StageFileName(later);
    if (fs::exists(path, error)) {
      opened.problems.push_back(path.string() + ": after a gap at " + StageFileName(number) +
                                "; not read");
      opened.stages_whole = false;
      break;
    }
  }
  if (opened.pack.stages.empty()) {
    opened.pack.stages.push_back(std::make_shared<const EditedStage>(NewStage("Stage 1")));
  }
  return opened;
}

std::string PackInfoText(const PackInfo& info) {
  std::string text = "name: " + info.name + "\nauthor: " + info.author + "\n";
  if (!info.description.empty()) text += "description: " + info.description + "\n";
  return text;
}

std::vector<std::pair<std::string, std::string>> PackFiles(const EditedPack& pack) {
  std::vector<std::pair<std::string, std::string>> files = {{kInfoFile, PackInfoText(pack.info)}};
  for (size_t i = 0; i < pack.stages.size(); ++i) {
    files.emplace_back(StageFileName(static_cast<int>(i) + 1), StageText(*pack.stages[i]));
  }
  return files;
}

std::vector<std::string> PackInfoFaults(const PackInfo& info) {
  std::vector<std::string> faults;
  ParsePackInfo(PackInfoText(info), "", faults);
  // "FILE:LINE: error: what" with no file: keep "what".
  for (std::string& fault : faults) {
    const size_t at = fault.find("error: ");
    if (at != std::string::npos) fault = "pack: " + fault.substr(at + 7);
  }
  return faults;
}

}  // namespace kolvar
