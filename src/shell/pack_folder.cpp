#include "shell/pack_folder.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <set>
#include <stdexcept>

#include "platform/desktop/user_files.h"
#include "platform/printable.h"

namespace kolvar {

namespace {

namespace fs = std::filesystem;

bool IsFolder(const std::string& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

// The folders that hold packs by name, the user's first.
std::vector<std::string> PackShelves(const std::string& data_root) {
  std::vector<std::string> shelves;
  const std::string user = DataDirectory();
  if (!user.empty()) shelves.push_back(user + "/stages");
  shelves.push_back(data_root + "/stages");
  return shelves;
}

constexpr size_t kMostKeyLetters = 32;

bool IsAsciiAlnum(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

std::vector<std::string> PackSearchFolders(const std::string& name, const std::string& data_root) {
  std::vector<std::string> folders;
  for (const std::string& shelf : PackShelves(data_root)) folders.push_back(shelf + "/" + name);
  return folders;
}

std::vector<std::string> PacksFound(const std::string& data_root) {
  std::set<std::string> names;
  for (const std::string& shelf : PackShelves(data_root)) {
    std::error_code error;
    for (fs::directory_iterator it(shelf, error), end; !error && it != end; it.increment(error)) {
      std::error_code no_pack;
      if (fs::is_regular_file(it->path() / "pack.txt", no_pack)) {
        names.insert(PrintableUtf8(it->path().filename().string()));
      }
    }
  }
  return {names.begin(), names.end()};
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
  std::string found;
  for (const std::string& pack : PacksFound(data_root)) found += (found.empty() ? "" : ", ") + pack;
  throw std::runtime_error("no stage pack '" + name_or_folder + "'; looked in:" + searched +
                           (found.empty() ? "\nno packs found" : "\npacks found: " + found));
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

std::string PackIdentityKey(const std::string& name, const std::string& author) {
  std::string key;
  for (const unsigned char c : name) {
    if (key.size() >= kMostKeyLetters) break;
    if (IsAsciiAlnum(c)) {
      key += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    } else if (!key.empty() && key.back() != '-') {
      key += '-';
    }
  }
  while (!key.empty() && key.back() == '-') key.pop_back();
  if (key.empty()) key = "pack";
  // FNV-1a over the name, a line end and the author.
  uint32_t hash = 2166136261u;
  for (const unsigned char c : name + "\n" + author) hash = (hash ^ c) * 16777619u;
  char digest[16];
  std::snprintf(digest, sizeof digest, "-%08x", static_cast<unsigned>(hash));
  return key + digest;
}

bool IsInstalledPack(const std::string& folder, const std::string& data_root) {
  std::error_code error;
  fs::path path = fs::absolute(folder, error).lexically_normal();
  if (error) return false;
  if (!path.has_filename()) path = path.parent_path();  // "stages/NAME/"
  return fs::equivalent(path.parent_path(), fs::path(data_root) / "stages", error);
}

}  // namespace kolvar
