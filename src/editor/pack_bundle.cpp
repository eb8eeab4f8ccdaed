#include "editor/pack_bundle.h"

#include <charconv>
#include <set>

#include "editor/edited_pack.h"

namespace kolvar {

namespace {

constexpr std::string_view kHeader = "kolvar pack 1\n";
constexpr std::string_view kFileWord = "file ";

}  // namespace

std::string BundlePack(const PackBundleFiles& files) {
  std::string text(kHeader);
  for (const auto& [name, bytes] : files) {
    text +=
        std::string(kFileWord) + name + " " + std::to_string(bytes.size()) + "\n" + bytes + "\n";
  }
  return text;
}

std::optional<PackBundleFiles> UnbundlePack(std::string_view text, std::string& fault) {
  if (text.size() > kMostBundleBytes) {
    fault = "larger than " + std::to_string(kMostBundleBytes) + " bytes";
    return std::nullopt;
  }
  if (!text.starts_with(kHeader)) {
    fault = "not a stage pack (it does not begin 'kolvar pack 1')";
    return std::nullopt;
  }
  text.remove_prefix(kHeader.size());
  PackBundleFiles files;
  std::set<std::string> names;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    const size_t space = line.rfind(' ');
    size_t size = 0;
    std::from_chars_result parsed{line.data(), std::errc::invalid_argument};
    if (space != std::string_view::npos) {
      parsed = std::from_chars(line.data() + space + 1, line.data() + line.size(), size);
    }
    if (end == std::string_view::npos || !line.starts_with(kFileWord) ||
        space <= kFileWord.size() || parsed.ec != std::errc() ||
        parsed.ptr != line.data() + line.size()) {
      fault = "a line is not 'file NAME BYTES'";
      return std::nullopt;
    }
    const std::string name(line.substr(kFileWord.size(), space - kFileWord.size()));
    if (!IsPackSourceName(name)) {
      fault = "'" + name + "' is no file of a stage pack";
      return std::nullopt;
    }
    if (!names.insert(name).second) {
      fault = "'" + name + "' is there twice";
      return std::nullopt;
    }
    text.remove_prefix(end + 1);
    if (size >= text.size() || text[size] != '\n') {
      fault = "cut off in " + name;
      return std::nullopt;
    }
    files.emplace_back(name, std::string(text.substr(0, size)));
    text.remove_prefix(size + 1);
  }
  return files;
}

}  // namespace kolvar
