#include "shell/pack_folder.h"

#include <filesystem>
#include <stdexcept>

#include "platform/desktop/user_files.h"

namespace kolvar {

namespace {

namespace fs = std::filesystem;

bool IsFolder(const std::string& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

}  // namespace

std::vector<std::string> PackSearchFolders(const std::string& name, const std::string& data_root) {
  std::vector<std::string> folders;
  const std::string user = DataDirectory();
  if (!user.empty()) folders.push_back(user + "/stages/" + name);
  folders.push_back(data_root + "/stages/" + name);
  return folders;
}

std::string FindPackFolder(const std::string& name_or_folder, const std::string& data_root) {
  if (name_or_folder.find('/') != std::string::npos || name_or_folder == "." ||
      name_or_folder == "..") {
    return name_or_folder;
  }
  std::vector<std::string> places = PackSearchFolders(name_or_folder, data_root);
  places.push_back(name_or_folder);
  for (const std::string& place : places) {
    if (IsFolder(place)) return place;
  }
  std::string searched;
  for (const std::string& place : places) searched += "\n  " + place;
  throw std::runtime_error("no stage pack '" + name_or_folder + "'; looked in:" + searched);
}

std::string PackFileKey(const std::string& folder) {
  std::error_code error;
  fs::path path = fs::absolute(folder, error).lexically_normal();
  if (error) path = fs::path(folder).lexically_normal();
  std::string key = path.filename().string();
  if (key.empty()) key = path.parent_path().filename().string();
  for (char& c : key) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_' || c == '.';
    if (!plain) c = '_';
  }
  if (key.empty() || key == "." || key == "..") key = "pack";
  return key;
}

}  // namespace kolvar
