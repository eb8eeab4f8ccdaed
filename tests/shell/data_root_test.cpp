// Choosing and checking the data folder at start-up.
#include "shell/data_root.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/fatal_error.h"

namespace kolvar {
namespace {

namespace fs = std::filesystem;

class DataRootTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = fs::temp_directory_path() /
            ("kolvar-data-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(base_);
  }
  void TearDown() override { fs::remove_all(base_); }

  // A folder holding every data file but those in `leave_out`; the stage
  // files are darkness only.
  std::string Folder(const std::string& name, const std::vector<std::string>& leave_out = {}) {
    const fs::path root = base_ / name;
    for (const std::string& file : DataFileNames()) {
      if (std::find(leave_out.begin(), leave_out.end(), file) != leave_out.end()) continue;
      fs::create_directories((root / file).parent_path());
      std::ofstream(root / file) << (file.starts_with("DATA/") ? Dark() : "x");
    }
    fs::create_directories(root / "DATA");
    return root.string();
  }
  static std::string Dark() { return std::string(1024, '\0'); }
  std::string Missing() { return (base_ / "missing").string(); }

  static std::string Error(const std::string& explicit_root,
                           const std::vector<std::string>& candidates) {
    try {
      FindDataRoot(explicit_root, candidates);
    } catch (const FatalError& error) {
      return error.what();
    }
    return "no error";
  }

  fs::path base_;
};

TEST_F(DataRootTest, ListsEveryStageFileAndPiece) {
  const std::vector<std::string> names = DataFileNames();
  ASSERT_EQ(names.size(), 16u * 2 + 4);
  EXPECT_EQ(names.front(), "DATA/Stage01.MAP");
  EXPECT_EQ(names[31], "DATA/Stage16.IVM");
  EXPECT_EQ(names.back(), "MIDI/GameOver.mid");
}

TEST_F(DataRootTest, PicksTheFirstCandidateHoldingData) {
  const std::string installed = Folder("share");
  const std::string beside = Folder("bin");
  EXPECT_EQ(FindDataRoot("", {installed, beside}).root, installed);
  EXPECT_EQ(FindDataRoot("", {Missing(), beside}).root, beside);
  // An explicit root wins even over a complete installed folder.
  EXPECT_EQ(FindDataRoot(beside, {installed}).root, beside);
}

TEST_F(DataRootTest, NamesEveryMissingStageFile) {
  const std::string root = Folder("share", {"DATA/Stage03.IVM", "DATA/Stage16.MAP"});
  for (const std::string& error : {Error(root, {}), Error("", {root, Folder("bin")})}) {
    EXPECT_NE(error.find("stage files missing from " + root), std::string::npos) << error;
    EXPECT_NE(error.find(root + "/DATA/Stage03.IVM"), std::string::npos) << error;
    EXPECT_NE(error.find(root + "/DATA/Stage16.MAP"), std::string::npos) << error;
    EXPECT_EQ(error.find("Stage03.MAP"), std::string::npos) << error;
  }
}

TEST_F(DataRootTest, NamesEveryFolderSearchedWhenNoneHoldsData) {
  const std::string empty = (base_ / "empty").string();
  fs::create_directories(empty);
  const std::string error = Error("", {Missing(), empty});
  EXPECT_NE(error.find("cannot find the game's data"), std::string::npos) << error;
  EXPECT_NE(error.find("\n  " + Missing() + "\n  " + empty + "\n"), std::string::npos) << error;
  EXPECT_NE(Error(Missing(), {}).find(Missing() + "/DATA/Stage01.MAP"), std::string::npos);
}

TEST_F(DataRootTest, MissingMusicIsReportedButNotFatal) {
  const std::string root = Folder("share", {"MIDI/CLEAR.MID"});
  const DataRoot data = FindDataRoot(root, {});
  EXPECT_EQ(data.missing_music, std::vector<std::string>{root + "/MIDI/CLEAR.MID"});
}

TEST_F(DataRootTest, AStageMapThatLetsThePlayerOffTheMapStopsTheStart) {
  const std::string root = Folder("share");
  std::string map = Dark();
  map[5 * 32 + 31] = 1;  // floor at column 31, row 5
  std::ofstream(fs::path(root) / "DATA" / "Stage03.MAP") << map;
  EXPECT_EQ(Error(root, {}),
            root + "/DATA/Stage03.MAP: floor at column 31 row 5 touches the map's outer edge");
}

TEST_F(DataRootTest, FileNamesMatchWithoutRegardToCase) {
  const std::string root = Folder("share", {"DATA/Stage01.MAP", "MIDI/CLEAR.MID"});
  std::ofstream(fs::path(root) / "DATA" / "stage01.map") << Dark();
  std::ofstream(fs::path(root) / "MIDI" / "clear.mid") << "x";
  const DataRoot data = FindDataRoot(root, {});
  EXPECT_EQ(data.root, root);
  EXPECT_TRUE(data.missing_music.empty());
}

}  // namespace
}  // namespace kolvar
