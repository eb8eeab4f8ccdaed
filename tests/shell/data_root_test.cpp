// Choosing and checking the data folder at start-up.
#include "shell/data_root.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/fatal_error.h"
#include "platform/data_files.h"
#include "shell/program.h"
#include "support/scratch_folder.h"

namespace kolvar {
namespace {

namespace fs = std::filesystem;

class DataRootTest : public ::testing::Test {
 protected:
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

  testing::ScratchFolder scratch_{"kolvar-data"};
  const fs::path base_ = scratch_.path();
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

// Everything about the stage files that would stop a game part-way is found
// before the window opens, all of it in one report.
TEST_F(DataRootTest, NamesEveryStageFileThatCannotBePlayed) {
  const std::string root = Folder("share", {"DATA/Stage03.IVM", "DATA/Stage16.MAP"});
  const fs::path data = fs::path(root) / "DATA";
  std::ofstream(data / "Stage05.MAP") << std::string(1000, '\0');
  std::ofstream(data / "Stage06.IVM") << std::string(1025, '\0');
  fs::remove(data / "Stage02.MAP");
  fs::create_directories(data / "Stage02.MAP");
  fs::remove(data / "Stage07.IVM");
  ASSERT_EQ(mkfifo((data / "Stage07.IVM").c_str(), 0644), 0);
  std::string off_map = Dark();
  off_map[5 * 32 + 31] = 21;  // a start door on the map's edge
  std::ofstream(data / "Stage09.MAP") << off_map;
  const std::string d = root + "/DATA/";
  const std::string expected =
      "7 stage files in " + root + " cannot be played:" +                  //
      "\n  " + d + "Stage02.MAP: stage file is a directory, not a file" +  //
      "\n  " + d + "Stage03.IVM: cannot open stage file: No such file or directory" + "\n  " + d +
      "Stage05.MAP: stage file is 1000 bytes long; it must be exactly 1024" + "\n  " + d +
      "Stage06.IVM: stage file is longer than 1024 bytes; it must be exactly 1024" + "\n  " + d +
      "Stage07.IVM: stage file is a FIFO, not a file" + "\n  " + d +
      "Stage09.MAP: the walk out of the start door at column 31 row 5 takes the player off "
      "the map" +
      "\n  " + d + "Stage16.MAP: cannot open stage file: No such file or directory";
  EXPECT_EQ(Error(root, {}), expected);
  EXPECT_EQ(Error("", {root, Folder("bin")}), expected);
}

TEST_F(DataRootTest, NamesEveryFolderSearchedWhenNoneHoldsData) {
  const std::string empty = (base_ / "empty").string();
  fs::create_directories(empty);
  const std::string error = Error("", {Missing(), empty});
  EXPECT_NE(error.find("cannot find the game's data"), std::string::npos) << error;
  EXPECT_NE(error.find("\n  " + Missing() + "\n  " + empty + "\n"), std::string::npos) << error;
}

// A wrong --root is one line, not the 32 stage files it lacks.
TEST_F(DataRootTest, AWrongRootIsOneLine) {
  const std::string empty = (base_ / "empty").string();
  fs::create_directories(empty);
  std::ofstream(base_ / "file") << "x";
  const struct {
    std::string root, error;
  } cases[] = {
      {Missing(), "--root " + Missing() + ": no such folder"},
      {(base_ / "file").string(), "--root " + (base_ / "file").string() + ": not a folder"},
      {empty, "cannot find the game's data: --root " + empty +
                  " holds no DATA/ (the stage files DATA/Stage01.MAP to DATA/Stage16.IVM) and "
                  "MIDI/ (the music)"},
  };
  for (const auto& c : cases) EXPECT_EQ(Error(c.root, {}), c.error);
}

// The error box keeps five lines of each list and counts the rest; the
// lines after a list stay.
TEST_F(DataRootTest, TheErrorBoxListsFiveFilesAndCountsTheRest) {
  const std::vector<std::string> names = DataFileNames();
  const std::string root = Folder("share", {names.begin(), names.begin() + 32});
  const std::string all = Error(root, {});
  const std::string box = ShortenLists(all);
  // The heading and the first five of the 32 lines, as the terminal has
  // them, then the count of the rest.
  size_t sixth = 0;
  for (int line = 0; line < 6; ++line) sixth = all.find('\n', sixth) + 1;
  ASSERT_GT(sixth, 0u);
  EXPECT_EQ(box, all.substr(0, sixth) + "  and 27 more") << all;
  EXPECT_NE(all.find("32 stage files"), std::string::npos) << all;
  const struct {
    const char* message;
    const char* shown;
  } cases[] = {
      {"one line", "one line"},
      {"a:\n  1\n  2\n  3\n  4\n  5\nafter", "a:\n  1\n  2\n  3\n  4\n  5\nafter"},
      {"a:\n  1\n  2\n  3\n  4\n  5\n  6\n  7\nafter\n  8",
       "a:\n  1\n  2\n  3\n  4\n  5\n  and 2 more\nafter\n  8"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ShortenLists(c.message), c.shown) << c.message;
}

TEST_F(DataRootTest, MissingMusicIsReportedButNotFatal) {
  const std::string root = Folder("share", {"MIDI/CLEAR.MID"});
  const DataRoot data = FindDataRoot(root, {});
  EXPECT_EQ(data.missing_music, std::vector<std::string>{root + "/MIDI/CLEAR.MID"});
}

TEST_F(DataRootTest, AStageMapThatLetsThePlayerOffTheMapStopsTheStart) {
  const std::string root = Folder("share");
  std::string map = Dark();
  map[5 * 32 + 31] = 21;  // the start door at column 31, row 5
  std::ofstream(fs::path(root) / "DATA" / "Stage03.MAP") << map;
  EXPECT_EQ(Error(root, {}), root +
                                 "/DATA/Stage03.MAP: the walk out of the start door at column 31 "
                                 "row 5 takes the player off the map");
  // Data built into the program (the browser's) is only found at start;
  // the stage checks its map when it starts.
  EXPECT_EQ(FindDataRoot(root, {}, false).root, root);
}

TEST_F(DataRootTest, FileAndFolderNamesMatchWithoutRegardToCase) {
  const std::string root = Folder("share", {"DATA/Stage01.MAP", "MIDI/CLEAR.MID"});
  std::ofstream(fs::path(root) / "DATA" / "stage01.map") << Dark();
  std::ofstream(fs::path(root) / "MIDI" / "clear.mid") << "x";
  const DataRoot data = FindDataRoot(root, {});
  EXPECT_EQ(data.root, root);
  EXPECT_TRUE(data.missing_music.empty());

  // data/ and midi/ folders, found from the candidates and through --root.
  fs::rename(fs::path(root) / "DATA", fs::path(root) / "data");
  fs::rename(fs::path(root) / "MIDI", fs::path(root) / "midi");
  EXPECT_EQ(FindDataRoot("", {Missing(), root}).root, root);
  EXPECT_TRUE(FindDataRoot(root, {}).missing_music.empty());
  EXPECT_EQ(ResolveDataPath(root, "DATA/Stage01.MAP"), root + "/data/stage01.map");
  EXPECT_EQ(ResolveDataPath(root, "MIDI/CLEAR.MID"), root + "/midi/clear.mid");
}

}  // namespace
}  // namespace kolvar
