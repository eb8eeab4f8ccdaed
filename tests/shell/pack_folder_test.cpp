// Where a stage pack named by the player lies, and the name of its files.
#include "shell/pack_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

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

}  // namespace
}  // namespace kolvar
