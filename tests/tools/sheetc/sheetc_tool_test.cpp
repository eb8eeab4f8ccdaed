// The sheetc program on whole art folders: errors name the file and line and
// end the run with a failure; a good folder yields the generated source.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "sheet_compose.h"
#include "support/scratch_folder.h"

namespace sheetc {
namespace {

namespace fs = std::filesystem;

class ArtFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = scratch_ / "art";
    fs::create_directories(dir_ / "pal");
    Write("pal/one.pal", ". transparent\nr ff0000\n");
    Write("pics.pic", "palette one\npicture dot 1 1\nr\n");
    std::string layout;
    for (const RequiredSheet& s : GameSheets()) {
      layout += "sheet " + std::string(s.name) + " " + std::to_string(s.width) + " " +
                std::to_string(s.height) + (s.keep_alpha ? " alpha\n" : "\n");
    }
    Write("layout.txt", layout + "place dot 0 0\n");
  }

  void Write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }

  // Runs the tool on the folder; returns its exit status and what it printed.
  int Run(std::string* output) {
    const fs::path log = dir_ / "log.txt";
    const std::string command = std::string("\"") + SHEETC_EXE + "\" --art \"" + dir_.string() +
                                "\" --out \"" + (dir_ / "out.cpp").string() + "\" > \"" +
                                log.string() + "\" 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    *output = text.str();
    return status;
  }

  kolvar::testing::ScratchFolder scratch_{"sheetc_test"};
  fs::path dir_;
};

TEST_F(ArtFolderTest, GoodFolderWritesTheSource) {
  std::string output;
  EXPECT_EQ(Run(&output), 0) << output;
  EXPECT_TRUE(fs::exists(dir_ / "out.cpp"));
  EXPECT_EQ(output, "");
}

TEST_F(ArtFolderTest, BadGridFailsNamingFileAndLine) {
  Write("pics.pic", "palette one\npicture dot 2 1\nrq\n");
  std::string output;
  EXPECT_NE(Run(&output), 0);
  EXPECT_NE(output.find((dir_ / "pics.pic").string() +
                        ":3: error: column 2: 'q' is not in palette 'one'"),
            std::string::npos)
      << output;
  EXPECT_FALSE(fs::exists(dir_ / "out.cpp"));
}

TEST_F(ArtFolderTest, SamePaletteNameInTwoFoldersIsAnError) {
  fs::create_directories(dir_ / "more");
  Write("more/one.pal", "r 00ff00\n");
  EXPECT_THROW(
      {
        try {
          LoadArtDirectory(dir_.string());
        } catch (const ArtError& error) {
          EXPECT_NE(std::string(error.what()).find("palette 'one' is already defined"),
                    std::string::npos)
              << error.what();
          throw;
        }
      },
      ArtError);
}

TEST_F(ArtFolderTest, MissingLayoutAndMissingFolderAreReported) {
  fs::remove(dir_ / "layout.txt");
  std::string output;
  EXPECT_NE(Run(&output), 0);
  EXPECT_NE(output.find("layout.txt:1: error: cannot be read"), std::string::npos) << output;
  EXPECT_THROW(LoadArtDirectory((dir_ / "nowhere").string()), ArtError);
}

}  // namespace
}  // namespace sheetc
