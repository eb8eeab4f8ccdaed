// Atomic writes: through symbolic links, never over what is no file, and
// abandoned without a trace when the caller no longer wants them. The
// pictures folder screenshots go to.
#include "platform/desktop/user_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "support/files.h"
#include "support/scratch_folder.h"

namespace kolvar {
namespace {

namespace fs = std::filesystem;

struct AtomicWrite : ::testing::Test {
  AtomicWrite() {
    fs::remove_all(dir);
    fs::create_directories(dir / "a" / "b");
  }
  ~AtomicWrite() override { fs::remove_all(dir); }
  int Entries(const fs::path& folder) {
    return static_cast<int>(std::distance(fs::directory_iterator(folder), {}));
  }
  const testing::ScratchFolder scratch{"kolvar_user_files"};
  const fs::path dir = scratch / "files";
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
  EXPECT_EQ(ReadWholeFile(dir / "a" / "b" / "file"), "new");
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
  EXPECT_EQ(ReadWholeFile(dir / "file"), "kept");
  EXPECT_EQ(Entries(dir), 2);  // a/ and the file
  EXPECT_EQ(WriteFileAtomically((dir / "file").string(), "new", [] { return true; }), "");
  EXPECT_EQ(ReadWholeFile(dir / "file"), "new");
}

// The pictures folder: the variable, else user-dirs.dirs, else ~/Pictures,
// each only when the folder is there.
TEST(PicturesDirectory, TheNamedFolderElseHomesPicturesWhenItExists) {
  const testing::ScratchFolder scratch("kolvar_pictures");
  const fs::path home = scratch / "home";
  const struct {
    const char* variable;    // XDG_PICTURES_DIR below home; nullptr: unset
    const char* user_dirs;   // user-dirs.dirs's line; nullptr: no file
    const char* folders[2];  // made below home
    const char* found;       // below home; "": none
  } cases[] = {
      {nullptr, nullptr, {"Pictures"}, "Pictures"},
      {nullptr, nullptr, {}, ""},
      {nullptr, "XDG_MUSIC_DIR=\"$HOME/Music\"", {"Pictures"}, "Pictures"},
      {nullptr, "XDG_PICTURES_DIR=\"$HOME/Bilder\"", {"Bilder", "Pictures"}, "Bilder"},
      {nullptr, "XDG_PICTURES_DIR=\"$HOME/Bilder\"", {"Pictures"}, ""},  // named, not there
      {"Shots", nullptr, {"Shots", "Pictures"}, "Shots"},
  };
  std::optional<std::string> saved[3];
  const char* names[3] = {"HOME", "XDG_CONFIG_HOME", "XDG_PICTURES_DIR"};
  for (int i = 0; i < 3; ++i) {
    if (const char* value = std::getenv(names[i])) saved[i] = value;
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.user_dirs ? c.user_dirs : "-") + " " + c.found);
    fs::remove_all(home);
    fs::create_directories(home / ".config");
    for (const char* folder : c.folders) {
      if (folder) fs::create_directories(home / folder);
    }
    if (c.user_dirs) std::ofstream(home / ".config/user-dirs.dirs") << c.user_dirs << "\n";
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    if (c.variable) {
      setenv("XDG_PICTURES_DIR", (home / c.variable).c_str(), 1);
    } else {
      unsetenv("XDG_PICTURES_DIR");
    }
    EXPECT_EQ(PicturesDirectory(), *c.found ? (home / c.found).string() : "");
  }
  for (int i = 0; i < 3; ++i) {
    saved[i] ? (void)setenv(names[i], saved[i]->c_str(), 1) : (void)unsetenv(names[i]);
  }
  fs::remove_all(home);
}

}  // namespace
}  // namespace kolvar
