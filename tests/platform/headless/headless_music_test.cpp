#include "platform/headless/headless_music.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/scratch_folder.h"

namespace kolvar {
namespace {

namespace fs = std::filesystem;

class HeadlessMusicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    device_ = CreateHeadlessMusicDevice(
        dir_.string(), [this] { return now_; },
        [this](const std::string& w) { warnings_.push_back(w); });
  }

  // A file of one note held `beats` quarters at 120 beats a minute
  // (500 ms a beat).
  std::string Piece(uint8_t beats) {
    const uint8_t d1 = static_cast<uint8_t>(0x80 | (480 * beats) >> 7);
    const uint8_t d2 = static_cast<uint8_t>((480 * beats) & 0x7F);
    return Write("piece" + std::to_string(beats) + ".mid",
                 {'M',  'T',  'h', 'd', 0,    0,   0, 6,    0,    0,    0,    1,
                  0x01, 0xE0, 'M', 'T', 'r',  'k', 0, 0,    0,    13,   0x00, 0x90,
                  60,   100,  d1,  d2,  0x80, 60,  0, 0x00, 0xFF, 0x2F, 0x00});
  }

  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    fs::create_directories(dir_);
    std::ofstream(dir_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return name;
  }

  // Moves the clock on and tells whether the piece stands still then.
  bool StoppedAfter(uint32_t ms) {
    now_ += ms;
    return device_->IsStopped();
  }

  testing::ScratchFolder scratch_{"kolvar_headless_music"};
  fs::path dir_ = scratch_ / "music";
  uint32_t now_ = 0xFFFFF000u;  // the clock wraps past zero during the tests
  std::unique_ptr<MusicDevice> device_;
  std::vector<std::string> warnings_;
};

TEST_F(HeadlessMusicTest, OpensOnlyGoodFilesAndNeedsAPieceForEverything) {
  device_->Play();
  device_->SeekToStart();
  EXPECT_FALSE(device_->IsStopped());  // no piece: not "stopped" either
  EXPECT_FALSE(device_->Open("missing.mid"));
  EXPECT_FALSE(device_->Open(Write("text.mid", {'h', 'e', 'l', 'l', 'o'})));
  ASSERT_TRUE(device_->Open(Piece(4)));
  EXPECT_TRUE(StoppedAfter(10000));  // opened stopped at the start, and stays so
  device_->Play();
  EXPECT_FALSE(StoppedAfter(1000));
  // A failed open closes the piece before it; so does Close.
  EXPECT_FALSE(device_->Open("missing.mid"));
  EXPECT_FALSE(device_->IsStopped());
  ASSERT_TRUE(device_->Open(Piece(4)));
  device_->Close();
  EXPECT_FALSE(device_->IsStopped());
  // Pieces are found in the device's folder by name, whatever the case of
  // the letters (the game opens "CLEAR.MID" beside "title.mid").
  Piece(2);
  EXPECT_TRUE(device_->Open("PIECE2.MID"));
}

// Each piece that cannot be played is named once, whatever is wrong with
// it, and play goes on; a FIFO is refused, not waited on.
TEST_F(HeadlessMusicTest, EachBadPieceIsReportedOnceNamingTheFile) {
  const std::vector<uint8_t> good = {'M',  'T', 'h', 'd', 0,   0, 0, 6, 0, 0, 0,    1,    0x01,
                                     0xE0, 'M', 'T', 'r', 'k', 0, 0, 0, 4, 0, 0xFF, 0x2F, 0x00};
  Write("garbage.mid", {'h', 'e', 'l', 'l', 'o'});
  Write("truncated.mid", std::vector<uint8_t>(good.begin(), good.end() - 3));
  Write("empty.mid", {});
  Write("huge.mid", good);
  fs::resize_file(dir_ / "huge.mid", (1u << 20) + 1);
  ASSERT_EQ(mkfifo((dir_ / "fifo.mid").c_str(), 0644), 0);
  const struct {
    const char* name;
    const char* says;
  } bad[] = {{"garbage.mid", "not a MIDI file"},
             {"truncated.mid", "runs past the end of the file"},
             {"empty.mid", "not a MIDI file"},
             {"huge.mid", "larger than 1048576 bytes"},
             {"fifo.mid", "a FIFO, not a file"}};
  for (int round = 0; round < 2; ++round) {
    for (const auto& b : bad) EXPECT_FALSE(device_->Open(b.name)) << b.name;
    EXPECT_FALSE(device_->Open("missing.mid"));
  }
  ASSERT_EQ(warnings_.size(), std::size(bad));
  for (size_t i = 0; i < warnings_.size(); ++i) {
    const std::string file = (dir_ / bad[i].name).string();
    EXPECT_EQ(warnings_[i].rfind(file + ": ", 0), 0u) << warnings_[i];
    EXPECT_NE(warnings_[i].find(bad[i].says), std::string::npos) << warnings_[i];
    EXPECT_NE(warnings_[i].find("; playing on without it"), std::string::npos) << warnings_[i];
  }
  Write("good.mid", good);
  EXPECT_TRUE(device_->Open("good.mid"));
}

TEST_F(HeadlessMusicTest, PlaysForExactlyTheFileLengthThenStaysAtTheEnd) {
  ASSERT_TRUE(device_->Open(Piece(4)));
  device_->Play();
  EXPECT_FALSE(StoppedAfter(1999));
  device_->Play();  // already playing: goes on
  EXPECT_TRUE(StoppedAfter(1));
  device_->Play();  // at the end: stays there
  EXPECT_TRUE(StoppedAfter(100));
  // Opening another piece starts it stopped at its own start.
  ASSERT_TRUE(device_->Open(Piece(20)));
  device_->Play();
  EXPECT_FALSE(StoppedAfter(9999));
  EXPECT_TRUE(StoppedAfter(1));
}

TEST_F(HeadlessMusicTest, StopKeepsThePositionAndSeekToStartRewinds) {
  ASSERT_TRUE(device_->Open(Piece(4)));
  device_->Play();
  now_ += 1500;
  device_->Stop();
  EXPECT_TRUE(StoppedAfter(60000));  // time while stopped does not count
  device_->Play();
  EXPECT_FALSE(StoppedAfter(499));
  EXPECT_TRUE(StoppedAfter(1));

  device_->SeekToStart();
  EXPECT_TRUE(StoppedAfter(100));  // rewinding does not start it
  device_->Play();
  now_ += 1500;
  device_->SeekToStart();  // while playing: goes on from the start
  EXPECT_FALSE(StoppedAfter(1999));
  EXPECT_TRUE(StoppedAfter(1));
}

// The game's once-a-second timer keeps a looping piece going this way.
TEST_F(HeadlessMusicTest, TheGamesLoopRestartsThePieceEachTimeItEnds) {
  ASSERT_TRUE(device_->Open(Piece(4)));
  device_->Play();
  int restarts = 0;
  for (int second = 0; second < 10; ++second) {
    if (StoppedAfter(1000)) {
      device_->SeekToStart();
      device_->Play();
      ++restarts;
    }
  }
  EXPECT_EQ(restarts, 5);  // ends at 2 s, 4 s, ... 10 s
}

}  // namespace
}  // namespace kolvar
