// The settings parser on any text, with a small key table of its own (the
// window's key names need SDL; this one has no Return, as a backend's table
// may not): every problem is one printable line naming the file and a line,
// and whatever the text, each action keeps at least one key, no key does two
// things, and the numbers stay in range. The time it takes grows with the
// text's length, not with its square: the regression input many_lines holds
// half a million lines.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "fuzz_check.h"
#include "platform/desktop/config_file.h"

namespace {

kolvar::KeyNames FuzzKeyNames() {
  static const std::map<std::string, kolvar::KeyCode> kKeys = {
      {"up", 1}, {"down", 2}, {"left", 3},   {"right", 4}, {"escape", 5},
      {"z", 6},  {"p", 7},    {"pause", 8},  {"f11", 9},   {"f12", 10},
      {"w", 11}, {"x", 12},   {"space", 13}, {",", 14},    {"\xC3\xA9", 15}};
  return {[](const std::string& name) -> std::optional<kolvar::KeyCode> {
            std::string lower;
            for (char c : name) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
            const auto it = kKeys.find(lower);
            if (it == kKeys.end()) return std::nullopt;
            return it->second;
          },
          [](kolvar::KeyCode key) -> std::string {
            for (const auto& [name, code] : kKeys) {
              if (code == key) return name;
            }
            return "?";
          }};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using kolvar::fuzz::Check;
  static const kolvar::KeyNames names = FuzzKeyNames();
  const std::string text(reinterpret_cast<const char*>(data), size);
  const kolvar::SettingsResult result = kolvar::ParseSettings(text, "fuzz.conf", names);

  // Messages are built only for a failing check: the regression input has
  // half a million problems.
  for (const std::string& problem : result.problems) {
    size_t at = 10;
    while (at < problem.size() && problem[at] >= '0' && problem[at] <= '9') ++at;
    const bool names_line =
        problem.rfind("fuzz.conf:", 0) == 0 && at > 10 && problem.compare(at, 2, ": ") == 0;
    const bool printable = std::none_of(problem.begin(), problem.end(), [](char c) {
      return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
    if (!names_line || !printable) {
      Check(false, "a problem that names no file and line or holds a control byte: " + problem);
    }
  }
  const kolvar::Settings& s = result.settings;
  std::map<kolvar::KeyCode, int> holder;
  for (int a = 0; a < kolvar::kActionCount; ++a) {
    Check(!s.keys[a].empty(), "an action without a key");
    for (kolvar::KeyCode key : s.keys[a]) {
      const auto [it, fresh] = holder.emplace(key, a);
      Check(fresh || it->second == a, "a key doing two things");
    }
  }
  Check(s.scale >= 0 && s.scale <= 8, "scale out of range");
  Check(s.music_volume >= 0 && s.music_volume <= 100, "volume out of range");
  return 0;
}
