#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "midic.h"
#include "platform/midi_file.h"

namespace midic {
namespace {

namespace fs = std::filesystem;

class MidicCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kolvar_midic_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string WriteScore(const std::string& text) {
    const std::string path = (dir_ / "piece.score").string();
    std::ofstream(path) << text;
    return path;
  }

  int Run(std::vector<std::string> args) { return RunMidic(args, err_); }

  fs::path dir_;
  std::ostringstream err_;
};

TEST_F(MidicCommand, CompilesAScoreIntoAMidiFile) {
  const std::string output = (dir_ / "out.mid").string();
  EXPECT_EQ(Run({WriteScore("tempo 120\ntrack A channel 1\nC4:1\n"), output}), 0);
  EXPECT_EQ(err_.str(), "");
  const kolvar::MidiFileResult result = kolvar::ReadMidiFile(output);
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(result.info->length_ms, 2000u);
  EXPECT_FALSE(fs::exists(output + ".tmp"));
}

TEST_F(MidicCommand, ABadScoreNamesFileAndLineAndWritesNothing) {
  const std::string score = WriteScore("tempo 120\ntrack A channel 1\nC4 X4\n");
  const std::string output = (dir_ / "out.mid").string();
  EXPECT_EQ(Run({score, output}), 1);
  EXPECT_EQ(err_.str().rfind(score + ":3: unknown note 'X4'", 0), 0u) << err_.str();
  EXPECT_FALSE(fs::exists(output));
}

TEST_F(MidicCommand, ABadScoreLeavesAnEarlierOutputAlone) {
  const std::string output = (dir_ / "out.mid").string();
  ASSERT_EQ(Run({WriteScore("tempo 120\ntrack A channel 1\nC4\n"), output}), 0);
  const auto size = fs::file_size(output);
  EXPECT_EQ(Run({WriteScore("tempo 120\ntrack A channel 1\nC4 (\n"), output}), 1);
  EXPECT_EQ(fs::file_size(output), size);
}

TEST_F(MidicCommand, MissingInputAndUnwritableOutput) {
  const std::string missing = (dir_ / "missing.score").string();
  EXPECT_EQ(Run({missing, (dir_ / "out.mid").string()}), 1);
  EXPECT_NE(err_.str().find(missing + ": cannot open"), std::string::npos) << err_.str();

  err_.str("");
  const std::string unwritable = (dir_ / "no_such_dir" / "out.mid").string();
  EXPECT_EQ(Run({WriteScore("tempo 120\ntrack A channel 1\nC4\n"), unwritable}), 1);
  EXPECT_NE(err_.str().find(unwritable + ": cannot write"), std::string::npos) << err_.str();
}

TEST_F(MidicCommand, WrongArgumentCountPrintsUsage) {
  EXPECT_EQ(Run({}), 2);
  EXPECT_NE(err_.str().find("usage: midic"), std::string::npos);
  EXPECT_EQ(Run({"a", "b", "c"}), 2);
}

}  // namespace
}  // namespace midic
