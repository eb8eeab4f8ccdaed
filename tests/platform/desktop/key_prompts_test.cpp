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
      {"z", 1}, {"space", 2}, {"return", 3}, {",", 4}, {"p", 5}};
  static const std::map<KeyCode, std::string> kNames = {
      {1, "Z"}, {2, "Space"}, {3, "Return"}, {4, ","}, {5, "P"}};
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

}  // namespace
}  // namespace kolvar
