// The hi-score kept between runs: read at start, written when it rises, and
// nothing at all for a headless run given no file (so traces stay the same).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/fatal_error.h"
#include "core/game.h"
#include "flow/outer_loop.h"
#include "platform/desktop/hiscore_store.h"
#include "platform/headless/headless_platform.h"
#include "support/files.h"
#include "support/scratch_folder.h"

namespace kolvar {
namespace {

namespace fs = std::filesystem;

TEST(KeptHiScore, LoadedAtStartAndWrittenOnlyWhenItRises) {
  const testing::ScratchFolder scratch("kolvar-kept");
  const fs::path& dir = scratch.path();
  const fs::path file = dir / "hiscore";
  std::ofstream(file) << HiScoreText(777);

  HeadlessOptions options;
  options.hiscore_file = file.string();
  options.quit_at = 5;  // the title screen closes at once
  HeadlessPlatform platform(options);
  Game game(platform);
  EXPECT_THROW(RunProgram(game), CloseRequested);
  EXPECT_EQ(game.HiScore, 777);

  game.Score = 500;
  RaiseHiScore(game);
  EXPECT_EQ(game.HiScore, 777);
  EXPECT_EQ(ReadWholeFile(file), HiScoreText(777));
  game.Score = 1200;
  RaiseHiScore(game);
  EXPECT_EQ(game.HiScore, 1200);
  EXPECT_EQ(ReadWholeFile(file), HiScoreText(1200));

  // Without a file the headless runner starts from 0 and keeps nothing.
  HeadlessPlatform bare(HeadlessOptions{});
  EXPECT_EQ(bare.LoadHiScore(), 0);
}

}  // namespace
}  // namespace kolvar
