#include "editor/pack_bundle.h"

#include <gtest/gtest.h>

#include <string>

namespace kolvar {
namespace {

TEST(PackBundle, ReadsBackWhatItWrote) {
  const PackBundleFiles files = {{"pack.txt", "name: A\nauthor: B\n"},
                                 {"stage01.txt", "title: x\nfile stage02.txt 3\n\n"},
                                 {"stage02.txt", ""}};
  std::string fault;
  EXPECT_EQ(UnbundlePack(BundlePack(files), fault), files) << fault;
}

TEST(PackBundle, RefusesWhatIsNoWholePack) {
  const std::string good = BundlePack({{"pack.txt", "name: A\n"}, {"stage01.txt", "title: x\n"}});
  const std::pair<std::string, std::string> bad[] = {
      {good.substr(0, good.size() - 3), "cut off in stage01.txt"},
      {"a pack\n", "not a stage pack"},
      {"kolvar pack 1\nfile ../evil 1\nx\n", "'../evil' is no file of a stage pack"},
      {"kolvar pack 1\nfile pack.txt 1\na\nfile pack.txt 1\nb\n", "'pack.txt' is there twice"},
      {"kolvar pack 1\nfile pack.txt many\n", "a line is not 'file NAME BYTES'"},
      {"kolvar pack 1\nfile pack.txt 99999999999999999999999\n", "a line is not"},
      {"kolvar pack 1\nfile pack.txt 18446744073709551615\nx\n", "cut off in pack.txt"},
      {"kolvar pack 1\n" + std::string(kMostBundleBytes, 'x'), "larger than"},
  };
  for (const auto& [text, words] : bad) {
    std::string fault;
    EXPECT_FALSE(UnbundlePack(text, fault).has_value()) << words;
    EXPECT_NE(fault.find(words), std::string::npos) << fault;
  }
}

}  // namespace
}  // namespace kolvar
