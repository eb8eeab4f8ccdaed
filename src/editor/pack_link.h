// A stage pack, or one stage, carried whole in a link's fragment (the part
// after '#', which no server sees): the pack as one text (pack_bundle),
// compressed and written in the URL-safe base64 alphabet. Opening a link
// gives the pack or the faults that refuse it: never half of one.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/edited_pack.h"

namespace kolvar {

// The fragment's key: "pack=DATA".
inline constexpr std::string_view kPackLinkKey = "pack";

// The longest fragment opened, and the most bytes its pack may unpack to.
inline constexpr size_t kMostLinkChars = 64u << 10;
inline constexpr size_t kMostLinkPackBytes = 1u << 20;

// "pack=..." for the whole pack, or for the pack holding only stage
// `only_stage` (0-based) when given.
std::string PackLinkFragment(const EditedPack& pack, std::optional<int> only_stage = {});

// Bytes in the URL-safe base64 alphabet without padding, as a fragment
// carries its compressed pack.
std::string ToBase64Url(std::string_view bytes);

struct OpenedLink {
  std::optional<EditedPack> pack;   // set only when `faults` is empty
  std::vector<std::string> faults;  // in words, each naming what is wrong
};

// The pack of a fragment (with or without its leading '#'): refused with
// its faults when it is cut off, not a pack, too large, or holds a stage
// or a pack text that breaks a rule.
OpenedLink OpenPackLink(std::string_view fragment);

}  // namespace kolvar
