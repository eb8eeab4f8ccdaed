#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "midic.h"
#include "platform/midi_file.h"
#include "support/scratch_folder.h"

namespace midic {
namespace {

namespace fs = std::filesystem;

TEST(MidicCommand, WritesTheFileOrNamesFileAndLineAndWritesNothing) {
  const kolvar::testing::ScratchFolder scratch("kolvar-midic");
  const fs::path& dir = scratch.path();
  const std::string score = (dir / "piece.score").string();
  const std::string out = (dir / "out.mid").string();
  std::ostringstream err;

  std::ofstream(score) << "tempo 120\ntrack A channel 1\nC4:1\n";
  EXPECT_EQ(RunMidic({score, out}, err), 0);
  EXPECT_EQ(err.str(), "");
  ASSERT_TRUE(kolvar::ReadMidiFile(out).ok());
  const auto good_size = fs::file_size(out);

  // A bad score leaves the earlier output as it was.
  std::ofstream(score) << "tempo 120\ntrack A channel 1\nC4 X4\n";
  EXPECT_EQ(RunMidic({score, out}, err), 1);
  EXPECT_EQ(err.str(), score +
                           ":3: error: unknown note 'X4' (notes are C D E F G A B with an octave, "
                           "like C4 or F#3; rests are r)\n");
  EXPECT_EQ(fs::file_size(out), good_size);
  EXPECT_FALSE(fs::exists(out + ".tmp"));

  err.str("");
  EXPECT_EQ(RunMidic({(dir / "missing.score").string(), out}, err), 1);
  EXPECT_EQ(err.str(), (dir / "missing.score").string() + ": error: cannot open the score\n");
  err.str("");
  std::ofstream(score) << "tempo 120\ntrack A channel 1\nC4\n";
  EXPECT_EQ(RunMidic({score, (dir / "no_dir" / "out.mid").string()}, err), 1);
  EXPECT_NE(err.str().find("cannot write"), std::string::npos);
  EXPECT_EQ(RunMidic({score}, err), 2);  // usage
  // A piece the game would refuse to read is not written.
  err.str("");
  std::ofstream(score) << "tempo 120\ntrack A channel 1\n[[[ C4:64 E4 ]x99 ]x99 ]x7\n";
  EXPECT_EQ(RunMidic({score, out}, err), 1);
  EXPECT_NE(err.str().find(":1: error: the piece makes a MIDI file of"), std::string::npos)
      << err.str();
  EXPECT_EQ(fs::file_size(out), good_size);
}

}  // namespace
}  // namespace midic
