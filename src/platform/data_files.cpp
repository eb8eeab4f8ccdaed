#include "platform/data_files.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace kolvar {

namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

std::string ResolveDataFile(const std::string& directory, const std::string& name) {
  namespace fs = std::filesystem;
  const std::string exact = directory + "/" + name;
  std::error_code error;
  if (fs::exists(exact, error)) return exact;
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    const std::string candidate = it->path().filename().string();
    if (SameIgnoringCase(candidate, name)) return directory + "/" + candidate;
  }
  return exact;
}

std::string ResolveDataPath(const std::string& root, const std::string& relative) {
  std::string path = root;
  for (size_t start = 0; start <= relative.size();) {
    size_t slash = relative.find('/', start);
    if (slash == std::string::npos) slash = relative.size();
    if (slash > start) path = ResolveDataFile(path, relative.substr(start, slash - start));
    start = slash + 1;
  }
  return path;
}

}  // namespace kolvar
