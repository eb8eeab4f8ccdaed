#include "editor/pack_link.h"

#include <algorithm>
#include <array>
#include <map>
#include <memory>

#include "core/deflate.h"
#include "editor/pack_bundle.h"
#include "platform/printable.h"
#include "stage/stage_compiler.h"

namespace kolvar {

namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

// The bytes of URL-safe base64 text; nothing (and `fault` says why) for a
// character outside its alphabet or a length no bytes have.
std::optional<std::string> FromBase64Url(std::string_view text, std::string& fault) {
  static const std::array<int8_t, 256> values = [] {
    std::array<int8_t, 256> table;
    table.fill(-1);
    for (size_t i = 0; i < kAlphabet.size(); ++i) {
      table[static_cast<uint8_t>(kAlphabet[i])] = static_cast<int8_t>(i);
    }
    return table;
  }();
  if (text.size() % 4 == 1) {
    fault = "cut off: its data ends inside a byte";
    return std::nullopt;
  }
  std::string bytes;
  bytes.reserve(text.size() * 3 / 4);
  uint32_t bits = 0;
  int count = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const int value = values[static_cast<uint8_t>(text[i])];
    if (value < 0) {
      fault = "character " + std::to_string(i + 1) + " of its data ('" +
              PrintableAscii(std::string(1, text[i])) + "') is not URL-safe base64";
      return std::nullopt;
    }
    bits = (bits << 6) | static_cast<uint32_t>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes.push_back(static_cast<char>((bits >> count) & 0xFF));
    }
  }
  return bytes;
}

// The pack of a bundle's files, or its faults: pack.txt's and each stage's
// against every rule the game reads a pack with.
OpenedLink PackOfFiles(const PackBundleFiles& files) {
  OpenedLink opened;
  std::map<std::string, const std::string*> by_name;
  for (const auto& [name, bytes] : files) by_name[name] = &bytes;
  EditedPack pack;
  const auto info = by_name.find("pack.txt");
  if (info == by_name.end()) {
    opened.faults.push_back("holds no pack.txt (the pack's name and author)");
  } else {
    pack.info = ParsePackInfo(*info->second, "pack.txt", opened.faults);
  }
  int highest = 0;
  for (const auto& [name, bytes] : files) {
    if (name == "pack.txt") continue;
    const int number = (name[5] - '0') * 10 + (name[6] - '0');
    if (number == 0) {
      opened.faults.push_back(name + ": not a stage's name; stages are stage01.txt to stage99.txt");
    }
    highest = std::max(highest, number);
  }
  if (highest == 0) opened.faults.push_back("holds no stage");
  for (int number = 1; number <= highest; ++number) {
    const std::string name = StageFileName(number);
    const auto stage = by_name.find(name);
    if (stage == by_name.end()) {
      opened.faults.push_back(name + ": missing: the stages are numbered from stage01.txt " +
                              "without a gap, and " + StageFileName(highest) + " is there");
      continue;
    }
    const stagec::CompileResult compiled = stagec::compile_stage(*stage->second);
    for (const stagec::Diagnostic& d : compiled.errors) {
      opened.faults.push_back(PrintableUtf8(stagec::format_diagnostic(name, d)));
    }
    if (!compiled.errors.empty()) continue;
    std::vector<std::string> problems;
    EditedStage edited = ReadStageText(*stage->second, problems);
    for (const std::string& problem : problems) opened.faults.push_back(name + ": " + problem);
    pack.stages.push_back(std::make_shared<const EditedStage>(std::move(edited)));
  }
  if (opened.faults.empty()) opened.pack = std::move(pack);
  return opened;
}

}  // namespace

// RFC 4648, section 5.
std::string ToBase64Url(std::string_view bytes) {
  std::string text;
  text.reserve((bytes.size() * 4 + 2) / 3);
  uint32_t bits = 0;
  int count = 0;
  for (const char c : bytes) {
    bits = (bits << 8) | static_cast<uint8_t>(c);
    count += 8;
    while (count >= 6) {
      count -= 6;
      text.push_back(kAlphabet[(bits >> count) & 63]);
    }
  }
  if (count > 0) text.push_back(kAlphabet[(bits << (6 - count)) & 63]);
  return text;
}

std::string PackLinkFragment(const EditedPack& pack, std::optional<int> only_stage) {
  EditedPack shared = pack;
  if (only_stage) shared.stages = {pack.stages.at(static_cast<size_t>(*only_stage))};
  return std::string(kPackLinkKey) + "=" + ToBase64Url(Deflate(BundlePack(PackFiles(shared))));
}

OpenedLink OpenPackLink(std::string_view fragment) {
  OpenedLink opened = [&]() -> OpenedLink {
    if (fragment.starts_with('#')) fragment.remove_prefix(1);
    if (fragment.size() > kMostLinkChars) {
      return {{}, {"longer than " + std::to_string(kMostLinkChars) + " characters"}};
    }
    const std::string key = std::string(kPackLinkKey) + "=";
    if (!fragment.starts_with(key)) {
      return {{}, {"holds no pack (it does not begin '" + key + "')"}};
    }
    fragment.remove_prefix(key.size());
    std::string fault;
    const std::optional<std::string> packed = FromBase64Url(fragment, fault);
    if (!packed) return {{}, {fault}};
    const Inflated text = Inflate(*packed, kMostLinkPackBytes);
    if (!text.bytes) {
      if (text.fault == "cut off") return {{}, {"cut off: its data ends before its pack does"}};
      return {{}, {"its data is no compressed pack: " + text.fault}};
    }
    const std::optional<PackBundleFiles> files = UnbundlePack(*text.bytes, fault);
    if (!files) return {{}, {"its data is no stage pack: " + PrintableUtf8(fault)}};
    return PackOfFiles(*files);
  }();
  for (std::string& fault : opened.faults) fault = "pack link: " + fault;
  return opened;
}

}  // namespace kolvar
