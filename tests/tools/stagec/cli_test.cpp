#include "cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "stage/stage_compiler.h"
#include "support/scratch_folder.h"

namespace stagec {
namespace {

namespace fs = std::filesystem;

class CliTest : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  std::string write(const std::string& name, const std::string& text) {
    std::ofstream(path(name), std::ios::binary) << text;
    return path(name);
  }
  // A valid stage whose row 2 (line 5) is `row2`.
  static std::string stage(const std::string& row2 = "#.K....E.#") {
    const std::string room[] = {"##########", "S........#", row2, "##########"};
    std::string t = "title: Tiny\nmap:\n";
    for (int r = 0; r < kRows; ++r)
      t += (r < 4 ? room[r] : "__________") + std::string(22, '_') + "\n";
    return t;
  }

  kolvar::testing::ScratchFolder scratch_{"stagec"};
  fs::path dir_ = scratch_.path();
  std::ostringstream err_;
};

TEST_F(CliTest, WritesBothFilesOf1024Bytes) {
  const auto src = write("stage01.txt", stage());
  ASSERT_EQ(run({src, path("Stage01.MAP"), path("Stage01.IVM")}, err_), 0) << err_.str();
  EXPECT_EQ(err_.str(), "");
  ASSERT_EQ(fs::file_size(path("Stage01.IVM")), 1024u);
  std::ifstream map(path("Stage01.MAP"), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(map)), {});
  ASSERT_EQ(bytes.size(), 1024u);
  EXPECT_EQ(bytes[32], static_cast<char>(kStartDoor)) << "column 0 row 1";
  EXPECT_EQ(bytes[33], static_cast<char>(kFloor)) << "column 1 row 1";
  EXPECT_EQ(bytes[66], static_cast<char>(kKeyChest)) << "column 2 row 2";
  EXPECT_FALSE(fs::exists(path("Stage01.MAP.tmp")));
}

TEST_F(CliTest, FailuresNameTheFileAndWriteNothing) {
  const auto bad = write("stage02.txt", stage("#?K....E.#"));
  EXPECT_EQ(run({bad, path("a.MAP"), path("a.IVM")}, err_), 1);
  EXPECT_NE(err_.str().find(bad + ":5: error: unknown character '?'"), std::string::npos);
  EXPECT_FALSE(fs::exists(path("a.MAP")) || fs::exists(path("a.IVM")));

  EXPECT_EQ(run({path("missing.txt"), path("a.MAP"), path("a.IVM")}, err_), 1);
  EXPECT_NE(err_.str().find(path("missing.txt") + ": error: cannot open"), std::string::npos);

  const auto out = path("no_such_dir/a.MAP");
  EXPECT_EQ(run({write("ok.txt", stage()), out, path("a.IVM")}, err_), 1);
  EXPECT_NE(err_.str().find(out + ": error: cannot create"), std::string::npos) << err_.str();
}

TEST_F(CliTest, CheckModeAndUsage) {
  const auto good = write("good.txt", stage());
  const auto bad = write("bad.txt", "title: Broken\n");
  EXPECT_EQ(run({"--check", good}, err_), 0);
  EXPECT_EQ(run({"--check", good, bad}, err_), 1);
  EXPECT_NE(err_.str().find(bad + ":1: error: no 'map:'"), std::string::npos) << err_.str();
  for (const auto& args : std::vector<std::vector<std::string>>{
           {}, {"--check"}, {"only.txt", "one.MAP"}, {"-x", "a", "b"}}) {
    std::ostringstream err;
    EXPECT_EQ(run(args, err), 2);
    EXPECT_NE(err.str().find("usage: stagec"), std::string::npos);
  }
}

// The stages that ship with the game: numbered 01, 02, ... without gaps, all valid.
TEST(ShippedStages, AreNumberedFromOneAndAllCompile) {
  std::vector<int> numbers;
  const std::regex name("stage([0-9][0-9])\\.txt");
  for (const auto& entry : fs::directory_iterator(KOLVAR_STAGE_DIR)) {
    std::smatch m;
    const auto file = entry.path().filename().string();
    if (!std::regex_match(file, m, name)) continue;
    numbers.push_back(std::stoi(m[1]));
    std::ostringstream err;
    EXPECT_EQ(run({"--check", entry.path().string()}, err), 0) << err.str();
  }
  std::sort(numbers.begin(), numbers.end());
  ASSERT_FALSE(numbers.empty());
  EXPECT_LE(numbers.size(), 16u);
  for (std::size_t i = 0; i < numbers.size(); ++i) EXPECT_EQ(numbers[i], static_cast<int>(i) + 1);
}

}  // namespace
}  // namespace stagec
