// The recordings folder: new names that never overwrite, the newest kept
// and the hi-score game's recording kept besides them.
#include "platform/desktop/recording_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

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

}  // namespace
}  // namespace kolvar
