#include "platform/timestamped_name.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace kolvar {
namespace {

// Screenshots and recordings on every backend are named alike, in local
// time (here UTC, so the names are known).
TEST(TimestampedName, DateTimeInLocalTimeThenTheNumberThenTheExtension) {
  const char* old = std::getenv("TZ");
  const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
  setenv("TZ", "UTC0", 1);
  tzset();
  const struct {
    int64_t when;
    int n;
    const char* extension;
    const char* expected;
  } cases[] = {
      {1796659200, 1, "", "kolvar_2026-12-07_16-00-00"},
      {1796685043, 1, ".png", "kolvar_2026-12-07_23-10-43.png"},
      {1796685043, 2, ".kvr", "kolvar_2026-12-07_23-10-43_2.kvr"},
      {1700000000, 12, "", "kolvar_2023-11-14_22-13-20_12"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TimestampedName(c.when, c.n, c.extension), c.expected) << c.when << " " << c.n;
  }
  if (saved) {
    setenv("TZ", saved->c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

}  // namespace
}  // namespace kolvar
