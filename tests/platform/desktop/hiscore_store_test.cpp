#include "platform/desktop/hiscore_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kolvar {
namespace {

namespace fs = std::filesystem;

struct HiScoreTest : ::testing::Test {
  HiScoreTest() {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  ~HiScoreTest() override { fs::remove_all(dir); }
  HiScoreStore Store(const std::string& file) {
    return HiScoreStore(file, [this](const std::string& m) { reports.push_back(m); });
  }
  const fs::path dir = fs::temp_directory_path() / ("kolvar_hiscore_" + std::to_string(getpid()));
  const std::string path = (dir / "kolvar" / "hiscore").string();
  std::vector<std::string> reports;
};

TEST_F(HiScoreTest, FirstRunReadsZeroAndASavedScoreComesBack) {
  EXPECT_EQ(Store(path).Load(), 0);
  Store(path).Save(12345);
  EXPECT_EQ(Store(path).Load(), 12345);
  Store(path).Save(2147483647);
  EXPECT_EQ(Store(path).Load(), 2147483647);
  EXPECT_TRUE(reports.empty());
  // Only the file itself is left: the temporary was renamed over it.
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir / "kolvar")) files += entry.is_regular_file();
  EXPECT_EQ(files, 1);
}

TEST_F(HiScoreTest, ACorruptFileIsReportedOnceAndReadsZero) {
  const char* corrupt[] = {"",
                           "12345\n",
                           "kolvar hiscore\n",
                           "kolvar hiscore\n12a45\n",
                           "kolvar hiscore\n-5\n",
                           "kolvar hiscore\n12345",
                           "kolvar hiscore\n2147483648\n",
                           "kolvar hiscore\n99999999999999999999\n",
                           "\x89PNG\r\n\x1a\n"};
  for (const char* text : corrupt) {
    fs::create_directories(dir / "kolvar");
    std::ofstream(path, std::ios::binary) << text;
    reports.clear();
    EXPECT_EQ(Store(path).Load(), 0) << text;
    ASSERT_EQ(reports.size(), 1u) << text;
    EXPECT_EQ(reports[0].rfind(path + ": not a hi-score file", 0), 0u) << reports[0];
  }
  // A directory where the file should be cannot be read either.
  fs::remove(path);
  fs::create_directories(path);
  reports.clear();
  EXPECT_EQ(Store(path).Load(), 0);
  EXPECT_EQ(reports.size(), 1u);
}

TEST_F(HiScoreTest, AFolderThatCannotBeMadeIsReportedOnceAndPlayGoesOn) {
  // A plain file where the folder should be stops even root from writing.
  std::ofstream(dir / "blocker") << "x";
  HiScoreStore store = Store((dir / "blocker" / "hiscore").string());
  store.Save(100);
  store.Save(200);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("the hi-score is not kept"), std::string::npos) << reports[0];
  EXPECT_EQ(store.Load(), 0);
}

TEST_F(HiScoreTest, NoPathKeepsNothing) {
  HiScoreStore store = Store("");
  store.Save(500);
  EXPECT_EQ(store.Load(), 0);
  EXPECT_TRUE(reports.empty());
}

}  // namespace
}  // namespace kolvar
