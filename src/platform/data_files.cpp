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

}  // namespace kolvar
