// Atomic writes: through symbolic links, never over what is no file, and
// abandoned without a trace when the caller no longer wants them.
#include "platform/desktop/user_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace kolvar {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

struct AtomicWrite : ::testing::Test {
  AtomicWrite() {
    fs::remove_all(dir);
    fs::create_directories(dir / "a" / "b");
  }
  ~AtomicWrite() override { fs::remove_all(dir); }
  int Entries(const fs::path& folder) {
    return static_cast<int>(std::distance(fs::directory_iterator(folder), {}));
  }
  const fs::path dir =
      fs::temp_directory_path() / ("kolvar_user_files_" + std::to_string(getpid()));
};

TEST_F(AtomicWrite, AChainOfLinksIsFollowedToTheFile) {
  // link1 -> b/link2 (relative to a/) -> /abs/.../b/file, which is 0640.
  std::ofstream(dir / "a" / "b" / "file") << "old";
  fs::permissions(dir / "a" / "b" / "file", fs::perms(0640));
  fs::create_symlink(dir / "a" / "b" / "file", dir / "a" / "b" / "link2");
  fs::create_symlink("b/link2", dir / "a" / "link1");
  EXPECT_EQ(FollowLinks((dir / "a" / "link1").string()), (dir / "a" / "b" / "file").string());
  EXPECT_EQ(WriteFileAtomically((dir / "a" / "link1").string(), "new"), "");
  EXPECT_TRUE(fs::is_symlink(dir / "a" / "link1"));
  EXPECT_TRUE(fs::is_symlink(dir / "a" / "b" / "link2"));
  EXPECT_EQ(Read(dir / "a" / "b" / "file"), "new");
  EXPECT_EQ(fs::status(dir / "a" / "b" / "file").permissions(), fs::perms(0640));
  // A loop of links ends, and nothing is replaced.
  fs::create_symlink("loop2", dir / "loop1");
  fs::create_symlink("loop1", dir / "loop2");
  EXPECT_EQ(WriteFileAtomically((dir / "loop1").string(), "x"),
            (dir / "loop1").string() + ": Too many levels of symbolic links; not replaced");
  EXPECT_TRUE(fs::is_symlink(dir / "loop1"));
}

TEST_F(AtomicWrite, WhatIsNoFileIsNotReplaced) {
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
  EXPECT_EQ(WriteFileAtomically((dir / "fifo").string(), "x"),
            (dir / "fifo").string() + ": is a FIFO, not a file; not replaced");
  EXPECT_TRUE(fs::is_fifo(dir / "fifo"));
  EXPECT_EQ(WriteFileAtomically((dir / "a").string(), "x"),
            (dir / "a").string() + ": is a directory, not a file; not replaced");
  EXPECT_EQ(Entries(dir), 2);  // no temporary left
}

TEST_F(AtomicWrite, AWriteNoLongerWantedLeavesTheFileAndNoTemporary) {
  std::ofstream(dir / "file") << "kept";
  int asked = 0;
  EXPECT_EQ(WriteFileAtomically((dir / "file").string(), "new", [&] { return ++asked, false; }),
            "");
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(Read(dir / "file"), "kept");
  EXPECT_EQ(Entries(dir), 2);  // a/ and the file
  EXPECT_EQ(WriteFileAtomically((dir / "file").string(), "new", [] { return true; }), "");
  EXPECT_EQ(Read(dir / "file"), "new");
}

}  // namespace
}  // namespace kolvar
