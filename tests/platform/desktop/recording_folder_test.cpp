// The recordings folder: new names that never overwrite, the newest of the
// game's own names kept, the hi-score game's recording kept besides them,
// and a mark that cannot be written told.
#include "platform/desktop/recording_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <vector>

#include "support/scratch_folder.h"

namespace kolvar {
namespace {

namespace fs = std::filesystem;

std::set<std::string> Recordings(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name.size() > 4 && name.substr(name.size() - 4) == ".kvr") names.insert(name);
  }
  return names;
}

TEST(RecordingFolder, KeepsTheNewestAndTheHiScoreGameAndNeverOverwrites) {
  const testing::ScratchFolder scratch("kolvar_replays");
  const fs::path dir = scratch / "replays";
  fs::remove_all(dir);
  const int64_t when = 1700000000;
  NewRecording first = StartRecording(dir.string(), when, 3);
  ASSERT_NE(first.file, nullptr) << first.error;
  std::fputs("first", first.file);
  std::fclose(first.file);
  EXPECT_EQ(MarkHiScoreRecording(first.path), "");
  std::ifstream mark(dir / kHiScoreRecordingMark);
  std::string marked;
  std::getline(mark, marked);
  EXPECT_EQ(marked, fs::path(first.path).filename().string());

  // Made in the same second: other names, the first file untouched. Each
  // new one leaves two others beside it, and the marked one.
  std::vector<std::string> made = {first.path};
  for (int i = 0; i < 4; ++i) {
    NewRecording next = StartRecording(dir.string(), when, 3);
    ASSERT_NE(next.file, nullptr) << next.error;
    std::fclose(next.file);
    made.push_back(next.path);
  }
  std::set<std::string> names;
  for (size_t i : {size_t{0}, size_t{2}, size_t{3}, size_t{4}}) {
    names.insert(fs::path(made[i]).filename().string());
  }
  EXPECT_EQ(Recordings(dir), names);
  std::ifstream kept(first.path);
  std::string text;
  std::getline(kept, text);
  EXPECT_EQ(text, "first");

  // Another file in the folder is left alone.
  std::ofstream(dir / "notes.kvr") << "mine";
  StartRecording(dir.string(), when + 1, 1);
  EXPECT_TRUE(fs::exists(dir / "notes.kvr"));
  EXPECT_EQ(Recordings(dir).size(), 3u);  // the new one, the marked one, notes.kvr

  EXPECT_NE(StartRecording("", when).error, "");
  fs::remove_all(dir);
}

// Only the names the game gives its recordings are pruned, oldest first by
// their date and number: a file the player named is never removed and
// never holds one of the places.
TEST(RecordingFolder, PrunesOnlyTheNamesTheGameMakes) {
  const testing::ScratchFolder folder("kolvar-replays");
  const std::set<std::string> players = {"kolvar_2020-01-01_00-00-00 (bug I reported).kvr",
                                         "kolvar_zz-my-best.kvr",
                                         "kolvar_2020-01-01_00-00-00_02.kvr",
                                         "kolvar_2020-01-01_00-00-00_1.kvr",
                                         "kolvar_2020-01-01_00-00-00_1000.kvr",
                                         "kolvar_2020-1-01_00-00-00.kvr",
                                         "kolvar_2020-01-01_00-00-00.KVR"};
  for (const std::string& name : players) folder.Write(name, "mine");
  // The game's own, oldest first: _10 is made after _9.
  const std::vector<std::string> games = {
      "kolvar_2020-01-01_00-00-00.kvr", "kolvar_2020-01-01_00-00-00_9.kvr",
      "kolvar_2020-01-01_00-00-00_10.kvr", "kolvar_2021-06-30_23-59-59.kvr"};
  for (const std::string& name : games) folder.Write(name, "game");
  const NewRecording made = StartRecording(folder.str(), 1700000000, 3);
  ASSERT_NE(made.file, nullptr) << made.error;
  std::fclose(made.file);
  std::set<std::string> expected = players;
  expected.insert({games[2], games[3], fs::path(made.path).filename().string()});
  std::set<std::string> left;
  for (const auto& entry : fs::directory_iterator(folder.path())) {
    left.insert(entry.path().filename().string());
  }
  EXPECT_EQ(left, expected);
}

// A mark that cannot be written is told once, with what it costs.
TEST(RecordingFolder, AMarkNotWrittenIsToldOnce) {
  const testing::ScratchFolder folder("kolvar-replays");
  fs::create_directories(folder / kHiScoreRecordingMark / "in-the-way");
  const std::function<std::string()> mark =
      MarkOnFirstHiScore((folder / "kolvar_2020-01-01_00-00-00.kvr").string());
  const std::string lost = mark();
  EXPECT_NE(lost.find(kHiScoreRecordingMark), std::string::npos) << lost;
  EXPECT_NE(lost.find("; this hi-score game's recording is kept only while it is among the "
                      "newest 20"),
            std::string::npos)
      << lost;
  EXPECT_EQ(mark(), "");
}

}  // namespace
}  // namespace kolvar
