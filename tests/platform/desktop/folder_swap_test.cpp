#include "platform/desktop/folder_swap.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "support/files.h"
#include "support/scratch_folder.h"

namespace kolvar {
namespace {

namespace fs = std::filesystem;

bool IsPackFile(const std::string& name) {
  return name == "pack.txt" || (name.starts_with("stage") && name.ends_with(".txt"));
}

// The names in a folder and beside it.
std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// Runs `save` in a child process that may die in it; returns its wait
// status.
int InChild(const std::function<void()>& save) {
  const pid_t child = fork();
  if (child == 0) {
    save();
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

class FolderSwap : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_.Write("packs/halls/pack.txt", "old pack");
    scratch_.Write("packs/halls/stage01.txt", "old 1");
    scratch_.Write("packs/halls/stage02.txt", "old 2");
    scratch_.Write("packs/halls/notes/ideas.md", "the player's own");
  }
  std::string Folder() const { return (scratch_ / "packs/halls").string(); }
  void ExpectOldPack() const {
    EXPECT_EQ(ReadWholeFile(scratch_ / "packs/halls/pack.txt"), "old pack");
    EXPECT_EQ(ReadWholeFile(scratch_ / "packs/halls/stage01.txt"), "old 1");
    EXPECT_EQ(ReadWholeFile(scratch_ / "packs/halls/stage02.txt"), "old 2");
  }
  testing::ScratchFolder scratch_{"kolvar-folder-swap"};
  const FolderFiles new_pack_ = {{"pack.txt", "new pack"}, {"stage01.txt", "new 1"}};
};

TEST_F(FolderSwap, ReplacesThePacksFilesAndKeepsTheRest) {
  ASSERT_EQ(ReplaceFolderFiles(Folder(), new_pack_, IsPackFile), "");
  EXPECT_EQ(Names(scratch_ / "packs/halls"),
            (std::set<std::string>{"notes", "pack.txt", "stage01.txt"}));
  EXPECT_EQ(ReadWholeFile(scratch_ / "packs/halls/stage01.txt"), "new 1");
  EXPECT_EQ(ReadWholeFile(scratch_ / "packs/halls/notes/ideas.md"), "the player's own");
  EXPECT_EQ(Names(scratch_ / "packs"), std::set<std::string>{"halls"});
  // A new folder, with the folders on its way.
  ASSERT_EQ(ReplaceFolderFiles((scratch_ / "more/new").string(), new_pack_, IsPackFile), "");
  EXPECT_EQ(ReadWholeFile(scratch_ / "more/new/pack.txt"), "new pack");
}

// What the pack's files do not stand for is carried over as it was: a
// folder with what is in it, a file's and a folder's permissions, a link
// as a link (its target unread, even when it points nowhere). An entry
// that cannot be carried (a pipe) fails the save, naming it, and leaves
// the folder as it was.
TEST_F(FolderSwap, CarriesOverLinksPermissionsAndFoldersOrSaysWhatItCannot) {
  scratch_.Write("packs/halls/notes/deep/plan.md", "a plan");
  const fs::path tool = scratch_.Write("packs/halls/notes/tool.sh", "#!/bin/sh");
  fs::permissions(tool, fs::perms::owner_all | fs::perms::group_read);
  fs::permissions(scratch_ / "packs/halls/notes/deep", fs::perms::owner_all);
  fs::create_symlink("deep/plan.md", scratch_ / "packs/halls/notes/link");
  fs::create_symlink("nowhere", scratch_ / "packs/halls/notes/dangling");
  ASSERT_EQ(ReplaceFolderFiles(Folder(), new_pack_, IsPackFile), "");

  const fs::path notes = scratch_ / "packs/halls/notes";
  EXPECT_EQ(Names(notes),
            (std::set<std::string>{"dangling", "deep", "ideas.md", "link", "tool.sh"}));
  EXPECT_EQ(ReadWholeFile(notes / "deep/plan.md"), "a plan");
  EXPECT_EQ(fs::status(notes / "tool.sh").permissions(),
            fs::perms::owner_all | fs::perms::group_read);
  EXPECT_EQ(fs::status(notes / "deep").permissions(), fs::perms::owner_all);
  for (const char* link : {"link", "dangling"}) {
    EXPECT_TRUE(fs::is_symlink(notes / link)) << link;
  }
  EXPECT_EQ(fs::read_symlink(notes / "link"), "deep/plan.md");
  EXPECT_EQ(fs::read_symlink(notes / "dangling"), "nowhere");

  ASSERT_EQ(mkfifo((notes / "pipe").c_str(), 0600), 0);
  const std::string error = ReplaceFolderFiles(Folder(), new_pack_, IsPackFile);
  EXPECT_NE(error.find("notes: cannot carry over: "), std::string::npos) << error;
  EXPECT_NE(error.find("pipe: is no file, folder or link"), std::string::npos) << error;
  EXPECT_EQ(ReadWholeFile(scratch_ / "packs/halls/pack.txt"), "new pack");
  EXPECT_EQ(Names(scratch_ / "packs"), std::set<std::string>{"halls"});
}

// Killed once the new folder is whole but before it is put in place: the
// old pack is there, whole; the next save clears what the killed one left.
TEST_F(FolderSwap, AKilledSaveLeavesTheLastGoodPack) {
  const int status =
      InChild([&] { ReplaceFolderFiles(Folder(), new_pack_, IsPackFile, [] { raise(SIGKILL); }); });
  ASSERT_TRUE(WIFSIGNALED(status));
  ExpectOldPack();
  EXPECT_EQ(Names(scratch_ / "packs").size(), 2u);  // the pack and the killed save's folder
  ASSERT_EQ(ReplaceFolderFiles(Folder(), new_pack_, IsPackFile), "");
  EXPECT_EQ(Names(scratch_ / "packs"), std::set<std::string>{"halls"});
}

// A full disk (here a file size limit) in the middle of writing: the save
// says so, the old pack stays whole and nothing is left beside it.
TEST_F(FolderSwap, AFullDiskLeavesTheLastGoodPack) {
  const FolderFiles big = {{"pack.txt", "new pack"}, {"stage01.txt", std::string(1 << 16, 'x')}};
  const int status = InChild([&] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    const std::string error = ReplaceFolderFiles(Folder(), big, IsPackFile);
    _exit(error.find("stage01.txt: cannot write") != std::string::npos ? 0 : 1);
  });
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the save did not report the failed write";
  ExpectOldPack();
  EXPECT_EQ(Names(scratch_ / "packs"), std::set<std::string>{"halls"});
}

}  // namespace
}  // namespace kolvar
