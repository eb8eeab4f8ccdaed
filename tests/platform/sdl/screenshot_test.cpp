#include "platform/sdl/screenshot.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "support/scratch_folder.h"

namespace kolvar {
namespace {

namespace fs = std::filesystem;

// A PNG's width and height from its header; {0, 0} when it is no PNG.
std::pair<uint32_t, uint32_t> PngSize(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char head[24] = {};
  if (!in.read(reinterpret_cast<char*>(head), sizeof head) || head[1] != 'P') return {0, 0};
  auto big_endian = [&](int at) {
    return uint32_t{head[at]} << 24 | uint32_t{head[at + 1]} << 16 | uint32_t{head[at + 2]} << 8 |
           head[at + 3];
  };
  return {big_endian(16), big_endian(20)};
}

class Screenshot : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = scratch_ / "shots";
    fs::remove_all(folder_);
    for (size_t i = 0; i < pixels_.size(); ++i) pixels_[i] = static_cast<uint32_t>(i * 2654435761u);
  }

  SavedScreenshot Save(int scale) {
    return SaveScreenshot({pixels_.data(), 320, 240}, scale, folder_.string(), kWhen);
  }
  std::string Named(const std::string& suffix) const {
    char stamp[32];
    const std::time_t time = kWhen;
    std::tm local{};
    localtime_r(&time, &local);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &local);
    return (folder_ / ("kolvar_" + std::string(stamp) + suffix)).string();
  }

  static constexpr int64_t kWhen = 1796659200;
  testing::ScratchFolder scratch_{"kolvar_shots"};
  fs::path folder_;
  std::vector<uint32_t> pixels_ = std::vector<uint32_t>(320 * 240);
};

TEST_F(Screenshot, WritesThePictureAndItsScaledTwinWithoutOverwritingAnEarlierShot) {
  const SavedScreenshot first = Save(3);
  EXPECT_EQ(first.error, "");
  EXPECT_EQ(first.path, Named(".png"));
  EXPECT_EQ(PngSize(Named(".png")), std::make_pair(320u, 240u));
  EXPECT_EQ(PngSize(Named("_x3.png")), std::make_pair(960u, 720u));

  // The same second again: a new name; at scale 1 no twin.
  const SavedScreenshot second = Save(1);
  EXPECT_EQ(second.error, "");
  EXPECT_EQ(second.path, Named("_2.png"));
  EXPECT_FALSE(fs::exists(Named("_2_x1.png")));
}

// Each failure says which file or folder it was, and whether the picture
// itself was kept.
TEST_F(Screenshot, AFailureNamesWhatCouldNotBeWritten) {
  // The folder is a file.
  std::ofstream(folder_.string()) << "not a folder";
  SavedScreenshot saved = Save(2);
  EXPECT_EQ(saved.path, "");
  EXPECT_EQ(saved.error.rfind(folder_.string() + ": cannot create the folder: ", 0), 0u)
      << saved.error;
  fs::remove(folder_);

  // The scaled copy's name is taken by a folder: the picture is kept and the
  // error names the copy.
  fs::create_directories(Named("_x2.png"));
  saved = Save(2);
  EXPECT_EQ(saved.path, Named(".png"));
  EXPECT_EQ(saved.error.rfind(Named("_x2.png") + ": cannot write PNG", 0), 0u) << saved.error;
  EXPECT_EQ(PngSize(Named(".png")), std::make_pair(320u, 240u));

  EXPECT_EQ(SaveScreenshot({pixels_.data(), 320, 240}, 2, "", kWhen).error,
            "no folder for screenshots (HOME is not set)");
}

// The window's notice names the file and its folder, the home folder as ~.
TEST(SavedScreenshotLine, NamesTheFileAndItsFolder) {
  const struct {
    const char* path;
    const char* home;
    const char* line;
  } cases[] = {
      {"/home/u/Pictures/k.png", "/home/u", "screenshot saved: k.png in ~/Pictures"},
      {"/home/u/Pictures/k.png", "/home/u/", "screenshot saved: k.png in ~/Pictures"},
      {"/home/u/k.png", "/home/u", "screenshot saved: k.png in ~"},
      {"/home/user2/k.png", "/home/u", "screenshot saved: k.png in /home/user2"},
      {"/srv/shots/k.png", "", "screenshot saved: k.png in /srv/shots"},
      {"/k.png", "/", "screenshot saved: k.png in /"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SavedScreenshotLine(c.path, c.home), c.line) << c.path << " at " << c.home;
  }
}

}  // namespace
}  // namespace kolvar
