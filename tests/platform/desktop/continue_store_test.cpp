// The kept Continue stage: where it lies beside the hi-score, kept across
// runs, and what a damaged file gives.
#include "platform/desktop/continue_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/scratch_folder.h"

namespace kolvar {
namespace {

namespace fs = std::filesystem;

TEST(ContinueStore, LiesBesideTheHiScore) {
  EXPECT_EQ(ContinueFileFor("/home/p/.local/share/kolvar/hiscore"),
            "/home/p/.local/share/kolvar/continue");
  EXPECT_EQ(ContinueFileFor("hiscore"), "continue");
  EXPECT_EQ(ContinueFileFor("/tmp/best.txt"), "/tmp/best.txt.continue");
  EXPECT_EQ(ContinueFileFor("/tmp/myhiscore"), "/tmp/myhiscore.continue");
  EXPECT_EQ(ContinueFileFor(""), "");
}

TEST(ContinueStore, KeepsTheStageAcrossRunsAndStartsFromStage1OtherwiseWithANotice) {
  const testing::ScratchFolder scratch("kolvar_continue");
  const fs::path dir = scratch / "user";
  fs::remove_all(dir);
  const std::string path = (dir / "continue").string();
  std::string reported;
  auto report = [&](const std::string& message) { reported += message + "\n"; };

  EXPECT_EQ(ContinueStore(path, report).Load(), 1);  // the first run
  EXPECT_EQ(reported, "");
  ContinueStore(path, report).Save(7);
  EXPECT_EQ(ContinueStore(path, report).Load(), 7);
  ContinueStore(path, report).Save(16);
  EXPECT_EQ(ContinueStore(path, report).Load(), 16);
  EXPECT_EQ(reported, "");

  const char* const damaged[] = {"",
                                 "kolvar continue\n",
                                 "kolvar continue\n0\n",
                                 "kolvar continue\n1000\n",
                                 "kolvar continue\n7",
                                 "kolvar hiscore\n7\n",
                                 "kolvar continue\n-3\n"};
  for (const char* text : damaged) {
    std::ofstream(path, std::ios::binary) << text;
    reported.clear();
    EXPECT_EQ(ContinueStore(path, report).Load(), 1) << text;
    EXPECT_NE(reported.find(path + ": not a Continue file"), std::string::npos) << text;
  }
  // Nothing is kept without a file to keep it in.
  EXPECT_EQ(ContinueStore("").Load(), 1);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kolvar
