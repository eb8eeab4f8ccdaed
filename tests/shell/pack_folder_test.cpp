// Where a stage pack named by the player lies, and the name of its files.
#include "shell/pack_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/desktop/continue_store.h"
#include "platform/desktop/hiscore_store.h"
#include "platform/desktop/pack_files.h"
#include "stage/stage_pack.h"
#include "support/files.h"
#include "support/scratch_folder.h"

namespace kolvar {
namespace {

namespace fs = std::filesystem;

TEST(PackFolderTest, NamesAFolderOrLooksThePackUp) {
  const testing::ScratchFolder scratch("kolvar-packs");
  const fs::path& base = scratch.path();
  fs::create_directories(base / "user/kolvar/stages/mine");
  fs::create_directories(base / "data/stages/mine");
  fs::create_directories(base / "data/stages/installed");
  // Folders holding no pack.txt are no packs, wherever they sort.
  for (const char* none : {"data/stages/a-no-pack", "data/stages/m-no-pack", "data/stages/z"}) {
    fs::create_directories(base / none);
  }
  fs::create_directories(base / "user/kolvar/stages/bell\a");
  for (const char* pack : {"user/kolvar/stages/mine", "data/stages/mine", "data/stages/installed",
                           "user/kolvar/stages/bell\a"}) {
    std::ofstream(base / pack / "pack.txt") << "name: " << pack << "\n";
  }
  const char* kept = std::getenv("XDG_DATA_HOME");
  const std::string kept_value = kept ? kept : "";
  ::setenv("XDG_DATA_HOME", (base / "user").c_str(), 1);
  const std::string data = (base / "data").string();
  // The user's pack wins over an installed one of the same name.
  EXPECT_EQ(FindPackFolder("mine", data), (base / "user/kolvar/stages/mine").string());
  EXPECT_EQ(FindPackFolder("installed", data), data + "/stages/installed");
  EXPECT_EQ(FindPackFolder("./mine", data), "./mine");
  try {
    FindPackFolder("missing", data);
    ADD_FAILURE() << "a missing pack was found";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()),
              "no stage pack 'missing'; looked in:\n  " + (base / "user").string() +
                  "/kolvar/stages/missing\n  " + data +
                  "/stages/missing\n  missing\npacks found: bell\\x07, installed, mine");
  }
  // With no pack anywhere, the message says so.
  ::setenv("XDG_DATA_HOME", (base / "none").c_str(), 1);
  try {
    FindPackFolder("missing", (base / "nowhere").string());
    ADD_FAILURE() << "a missing pack was found";
  } catch (const std::runtime_error& error) {
    EXPECT_TRUE(std::string(error.what()).ends_with("\nno packs found")) << error.what();
  }
  if (kept) {
    ::setenv("XDG_DATA_HOME", kept_value.c_str(), 1);
  } else {
    ::unsetenv("XDG_DATA_HOME");
  }

  EXPECT_EQ(PackFileKey("/x/deep-halls"), "deep-halls");
  EXPECT_EQ(PackFileKey("/x/deep-halls/"), "deep-halls");
  EXPECT_EQ(PackFileKey("/x/my pack!"), "my_pack_");
}

// A pack's hi-score and Continue go by who the pack is, its name and author,
// wherever its folder lies and whatever the folder is called: the Deep
// Halls copied into a folder named "quick" keeps the Deep Halls' hi-score,
// and another pack in a folder named "deep-halls" keeps its own.
TEST(PackFolderTest, APacksFilesGoByItsNameAndAuthorNotItsFolder) {
  const testing::ScratchFolder scratch("kolvar-pack-keys");
  const fs::path installed = "stages/deep-halls";
  fs::copy(installed, scratch / "quick", fs::copy_options::recursive);
  fs::create_directories(scratch / "other/deep-halls");
  fs::copy_file(installed / "stage01.txt", scratch / "other/deep-halls/stage01.txt");
  scratch.Write("other/deep-halls/pack.txt", "name: My Halls\nauthor: me\n");
  const auto key = [](const fs::path& folder) {
    const PackResult read = ReadStagePack(folder.string());
    return read.pack ? PackIdentityKey(read.pack->info.name, read.pack->info.author) : "";
  };
  const std::string deep_halls = key(installed);
  EXPECT_EQ(deep_halls.rfind("kolvar-the-deep-halls-", 0), 0u) << deep_halls;
  EXPECT_EQ(key(scratch / "quick"), deep_halls);
  EXPECT_NE(key(scratch / "other/deep-halls"), deep_halls);
  EXPECT_NE(key(scratch / "other/deep-halls"), "");

  // Names whose readable parts agree stay apart by the digest of both.
  struct Apart {
    std::string name, author;
  };
  const Apart apart[] = {{"My Halls", "me"}, {"my halls!", "me"}, {"My Halls", "you"}};
  for (const Apart& a : apart) {
    for (const Apart& b : apart) {
      if (&a != &b) {
        EXPECT_NE(PackIdentityKey(a.name, a.author), PackIdentityKey(b.name, b.author))
            << a.name << "/" << a.author << " and " << b.name << "/" << b.author;
      }
    }
  }
  EXPECT_EQ(PackIdentityKey("\xC3\x89t\xC3\xA9", "x").rfind("t-", 0), 0u);
  EXPECT_EQ(PackIdentityKey("\xC3\x89\xC3\xA9", "x").rfind("pack-", 0), 0u);
  EXPECT_EQ(PackIdentityKey(std::string(80, 'a'), "x").size(), 32u + 9u);
}

// The sets the game ships had their files named after their folders: their
// players' hi-score and Continue are copied to the new names once.
TEST(PackFolderTest, AnInstalledPackKeepsTheFilesOfItsOldName) {
  const testing::ScratchFolder scratch("kolvar-pack-files");
  fs::create_directories(scratch / "data/stages/deep-halls");
  fs::create_directories(scratch / "elsewhere/deep-halls");
  const std::string data = (scratch / "data").string();
  EXPECT_TRUE(IsInstalledPack(data + "/stages/deep-halls", data));
  EXPECT_TRUE(IsInstalledPack(data + "/stages/deep-halls/", data));
  EXPECT_FALSE(IsInstalledPack((scratch / "elsewhere/deep-halls").string(), data));

  const std::string user = (scratch / "user").string();
  scratch.Write("user/hiscore-deep-halls", HiScoreText(4321));
  scratch.Write("user/hiscore-deep-halls.continue", "kolvar continue\n9\n");
  const std::string file = PackHiScoreFile(user, "kolvar-the-deep-halls-12345678", "deep-halls");
  EXPECT_EQ(file, user + "/hiscore-kolvar-the-deep-halls-12345678");
  EXPECT_EQ(ReadWholeFile(file), HiScoreText(4321));
  EXPECT_EQ(ReadWholeFile(ContinueFileFor(file)), "kolvar continue\n9\n");
  // Once the pack has files of its own, the old ones are left alone.
  scratch.Write("user/hiscore-deep-halls", HiScoreText(99999));
  PackHiScoreFile(user, "kolvar-the-deep-halls-12345678", "deep-halls");
  EXPECT_EQ(ReadWholeFile(file), HiScoreText(4321));
  // A pack that is not installed takes nothing of a folder's namesake.
  EXPECT_EQ(ReadWholeFile(PackHiScoreFile(user, "quick-0000abcd", "")), "");
}

}  // namespace
}  // namespace kolvar
