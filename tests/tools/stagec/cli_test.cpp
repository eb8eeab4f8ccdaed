#include "cli.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "stage_compiler.h"

namespace stagec {
namespace {

namespace fs = std::filesystem;

std::string valid_stage() {
  std::string t = "title: Tiny\nmap:\n";
  const char* room[] = {"##########", "S........#", "#.K....E.#", "##########"};
  for (int r = 0; r < kRows; ++r) {
    std::string row(kColumns, '_');
    if (r < 4) row.replace(0, 10, room[r]);
    t += row + "\n";
  }
  return t;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("stagec_cli_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string write(const std::string& name, const std::string& text) {
    const auto path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  fs::path dir_;
  std::ostringstream err_;
};

TEST_F(CliTest, WritesBothFilesOf1024Bytes) {
  const auto src = write("stage01.txt", valid_stage());
  ASSERT_EQ(run({src, path("Stage01.MAP"), path("Stage01.IVM")}, err_), 0) << err_.str();
  EXPECT_EQ(err_.str(), "");
  ASSERT_EQ(fs::file_size(path("Stage01.MAP")), 1024u);
  ASSERT_EQ(fs::file_size(path("Stage01.IVM")), 1024u);
  std::ifstream map(path("Stage01.MAP"), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(map)), {});
  EXPECT_EQ(bytes[32], static_cast<char>(kStartDoor)) << "column 0 row 1";
  EXPECT_EQ(bytes[33], static_cast<char>(kFloor)) << "column 1 row 1";
  EXPECT_EQ(bytes[64 + 2], static_cast<char>(kKeyChest));
  EXPECT_EQ(fs::exists(path("Stage01.MAP.tmp")), false);
}

TEST_F(CliTest, BadStageNamesFileAndLineAndWritesNothing) {
  std::string text = valid_stage();
  text.replace(text.find("#.K"), 3, "#?K");  // row 2 -> line 5
  const auto src = write("stage02.txt", text);
  EXPECT_EQ(run({src, path("a.MAP"), path("a.IVM")}, err_), 1);
  EXPECT_NE(err_.str().find(src + ":5: error: unknown character '?'"), std::string::npos)
      << err_.str();
  EXPECT_FALSE(fs::exists(path("a.MAP")));
  EXPECT_FALSE(fs::exists(path("a.IVM")));
}

TEST_F(CliTest, ReportsUnreadableInputAndUnwritableOutput) {
  EXPECT_EQ(run({path("missing.txt"), path("a.MAP"), path("a.IVM")}, err_), 1);
  EXPECT_NE(err_.str().find(path("missing.txt") + ": error: cannot open"), std::string::npos);

  std::ostringstream err2;
  const auto src = write("ok.txt", valid_stage());
  const auto out = path("no_such_dir/a.MAP");
  EXPECT_EQ(run({src, out, path("a.IVM")}, err2), 1);
  EXPECT_NE(err2.str().find(out + ": error: cannot create"), std::string::npos) << err2.str();
}

TEST_F(CliTest, CheckModeValidatesEveryFileGiven) {
  const auto good = write("good.txt", valid_stage());
  const auto bad = write("bad.txt", "title: Broken\n");
  EXPECT_EQ(run({"--check", good}, err_), 0);
  EXPECT_EQ(run({"--check", good, bad}, err_), 1);
  EXPECT_NE(err_.str().find(bad + ":1: error: no 'map:'"), std::string::npos) << err_.str();
}

TEST_F(CliTest, BadCommandLinePrintsUsage) {
  EXPECT_EQ(run({}, err_), 2);
  EXPECT_EQ(run({"--check"}, err_), 2);
  EXPECT_EQ(run({"only.txt", "one.MAP"}, err_), 2);
  EXPECT_EQ(run({"-x", "a", "b"}, err_), 2);
  EXPECT_NE(err_.str().find("usage: stagec"), std::string::npos);
}

// The stages that ship with the game: numbered without gaps from 01, each one valid.
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
  for (std::size_t i = 0; i < numbers.size(); ++i) EXPECT_EQ(numbers[i], static_cast<int>(i) + 1);
  EXPECT_LE(numbers.size(), 16u);
}

}  // namespace
}  // namespace stagec
