#include "platform/desktop/key_prompts.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>

namespace kolvar {
namespace {

// A backend's key names of its own (as the browser has), so the prompts are
// seen to name keys by the names they are given.
KeyNames SmallKeyNames() {
  static const std::map<std::string, KeyCode> kCodes = {
      {"z", 1},    {"space", 2}, {"return", 3}, {",", 4},       {"p", 5},      {"up", 6},
      {"down", 7}, {"left", 8},  {"right", 9},  {"escape", 10}, {"pause", 11}, {"w", 12},
      {"a", 13},   {"s", 14},    {"d", 15},     {"f11", 16},    {"f12", 17}};
  static const std::map<KeyCode, std::string> kNames = [] {
    std::map<KeyCode, std::string> names;
    for (const auto& [lower, code] : kCodes) {
      names[code] = lower;
      names[code][0] = static_cast<char>(std::toupper(lower[0]));
    }
    return names;
  }();
  return {[](const std::string& name) -> std::optional<KeyCode> {
            std::string lower;
            for (char c : name) lower += static_cast<char>(std::tolower(c));
            const auto at = kCodes.find(lower);
            if (at == kCodes.end()) return std::nullopt;
            return at->second;
          },
          [](KeyCode key) { return kNames.at(key); }};
}

TEST(ConfirmControlOf, NamesTheFirstConfirmKeyByTheBackendsNames) {
  const struct {
    const char* settings;
    bool controller;
    const char* name;
    bool button;
  } cases[] = {
      {"", false, "Z", false},  // the defaults
      {"key_confirm = space, Return\n", false, "Space", false},
      {"key_confirm = comma\n", false, "Comma", false},
      {"key_confirm = Return\n", true, "A", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.settings);
    const SettingsResult read = ParseSettings(c.settings, "kolvar.conf", SmallKeyNames());
    ASSERT_TRUE(read.problems.empty()) << read.problems.front();
    const ConfirmControl got = ConfirmControlOf(read.settings, SmallKeyNames(), c.controller);
    EXPECT_EQ(got.name, c.name);
    EXPECT_EQ(got.button, c.button);
  }
  Settings none;  // nothing bound to confirming: the prompts keep Z
  EXPECT_EQ(ConfirmControlOf(none, SmallKeyNames(), false).name, "Z");
  EXPECT_EQ(FirstKeyName(none, Action::Pause, SmallKeyNames()), "");
}

// The notice band's lines name the settings' keys: every confirm key, the
// first of the others, the arrows as one when they are the arrows.
TEST(NoticeLines, NameTheSettingsKeys) {
  const struct {
    const char* settings;
    const char* keys;
    const char* watching;
  } cases[] = {
      {"", "Arrow keys walk - Z, Return or Space confirms - P pauses - Esc leaves a game",
       "Watching my.kvr - x2 - P pauses - Esc stops"},
      {"key_up = W\nkey_left = A\nkey_down = S\nkey_right = D\nkey_confirm = Return\n"
       "key_pause = Pause, P\nkey_leave = Comma\n",
       "W, A, S or D walk - Return confirms - Pause pauses - Comma leaves a game",
       "Watching my.kvr - x2 - Pause pauses - Comma stops"},
      {"key_confirm = Space, Z\n",
       "Arrow keys walk - Space or Z confirms - P pauses - Esc leaves a game", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.settings);
    const SettingsResult read = ParseSettings(c.settings, "kolvar.conf", SmallKeyNames());
    ASSERT_TRUE(read.problems.empty()) << read.problems.front();
    EXPECT_EQ(KeysHelpLine(read.settings, SmallKeyNames()), c.keys);
    if (c.watching) {
      EXPECT_EQ(WatchingLine("my.kvr", 2, read.settings, SmallKeyNames()), c.watching);
    }
  }
  Settings none;  // no keys at all: only what the line can name
  EXPECT_EQ(WatchingLine("a.kvr", 4, none, SmallKeyNames()), "Watching a.kvr - x4");
  EXPECT_EQ(KeysHelpLine(none, SmallKeyNames()), "");
}

}  // namespace
}  // namespace kolvar
