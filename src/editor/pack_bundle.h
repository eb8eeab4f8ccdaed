// A whole stage pack as one text: how the browser keeps a pack made in the
// editor (one localStorage entry a pack). "kolvar pack 1", then each file
// as a line "file NAME BYTES", its bytes and a newline.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kolvar {

using PackBundleFiles = std::vector<std::pair<std::string, std::string>>;

// The largest bundle read: a pack of 99 stages is a few hundred kilobytes.
inline constexpr size_t kMostBundleBytes = 4u << 20;

std::string BundlePack(const PackBundleFiles& files);

// The files of a bundle; nothing (and `fault` says why) for a text that is
// not a whole bundle, names a file that is no pack's (pack.txt,
// stageNN.txt) or names one twice.
std::optional<PackBundleFiles> UnbundlePack(std::string_view text, std::string& fault);

}  // namespace kolvar
