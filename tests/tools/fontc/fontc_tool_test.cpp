// The fontc program on fonts it cannot draw: the run fails and names the
// file, so a build without DejaVu Sans stops with the reason.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;

TEST(Fontc, AFontItCannotDrawFailsTheRunNamingTheFile) {
  const kolvar::testing::ScratchFolder scratch("fontc");
  const fs::path& dir = scratch.path();
  std::ofstream(dir / "not_a_font.ttf") << "plain text\n";
  const struct {
    fs::path font;
    const char* why;
  } cases[] = {{dir / "DejaVuSans.ttf", "install fonts-dejavu-core"},
               {dir / "not_a_font.ttf", "cannot open the font"}};
  for (const auto& c : cases) {
    const fs::path log = dir / "log.txt";
    const std::string command = std::string("\"") + FONTC_EXE + "\" --font \"" + c.font.string() +
                                "\" --size 12 --out \"" + (dir / "out.cpp").string() + "\" > \"" +
                                log.string() + "\" 2>&1";
    const int status = std::system(command.c_str());
    std::stringstream output;
    output << std::ifstream(log).rdbuf();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << output.str();
    EXPECT_NE(output.str().find(c.font.string() + ": "), std::string::npos) << output.str();
    EXPECT_NE(output.str().find(c.why), std::string::npos) << output.str();
    EXPECT_FALSE(fs::exists(dir / "out.cpp"));
  }
}

}  // namespace
