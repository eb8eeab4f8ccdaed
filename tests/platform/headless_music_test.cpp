#include "platform/headless_music.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace kolvar {
namespace {

namespace fs = std::filesystem;

// A format 1 file: tempo 120 in the conductor, one note held for `beats`
// quarters in the second track. Each beat lasts 500 ms.
std::vector<uint8_t> PieceOfBeats(uint8_t beats) {
  const uint32_t ticks = 480u * beats;
  const uint8_t d0 = static_cast<uint8_t>(0x80 | (ticks >> 14));
  const uint8_t d1 = static_cast<uint8_t>(0x80 | ((ticks >> 7) & 0x7F));
  const uint8_t d2 = static_cast<uint8_t>(ticks & 0x7F);
  std::vector<uint8_t> out = {'M',  'T',  'h',  'd',  0,    0,    0,    6,    0,    1,    0,
                              2,    0x01, 0xE0, 'M',  'T',  'r',  'k',  0,    0,    0,    11,
                              0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x2F, 0x00,
                              'M',  'T',  'r',  'k',  0,    0,    0,    14,   0x00, 0x90, 60,
                              100,  d0,   d1,   d2,   0x80, 60,   0,    0x00, 0xFF, 0x2F, 0x00};
  return out;
}

class HeadlessMusicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kolvar_headless_music_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(dir_);
    device_ = CreateHeadlessMusicDevice([this] { return now_; });
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }

  // Four beats at 120: a two-second piece.
  std::string TwoSecondPiece() { return Write("two.mid", PieceOfBeats(4)); }

  fs::path dir_;
  uint32_t now_ = 1000;
  std::unique_ptr<MusicDevice> device_;
};

TEST_F(HeadlessMusicTest, WithoutAPieceEverythingDoesNothing) {
  device_->Play();
  device_->Stop();
  device_->SeekToStart();
  device_->Close();
  EXPECT_FALSE(device_->IsStopped());
}

TEST_F(HeadlessMusicTest, OpenAcceptsOnlyGoodMidiFiles) {
  EXPECT_FALSE(device_->Open((dir_ / "missing.mid").string()));
  EXPECT_FALSE(device_->IsStopped());
  EXPECT_FALSE(device_->Open(Write("text.mid", {'h', 'e', 'l', 'l', 'o'})));
  std::vector<uint8_t> cut = PieceOfBeats(4);
  cut.resize(cut.size() - 3);
  EXPECT_FALSE(device_->Open(Write("cut.mid", cut)));
  EXPECT_FALSE(device_->IsStopped());

  ASSERT_TRUE(device_->Open(TwoSecondPiece()));
  EXPECT_TRUE(device_->IsStopped());  // opened stopped at the start
  now_ += 10000;
  EXPECT_TRUE(device_->IsStopped());  // and stays there until played
}

TEST_F(HeadlessMusicTest, PlaysForExactlyThePieceLength) {
  ASSERT_TRUE(device_->Open(TwoSecondPiece()));
  device_->Play();
  EXPECT_FALSE(device_->IsStopped());
  now_ += 1999;
  EXPECT_FALSE(device_->IsStopped());
  now_ += 1;
  EXPECT_TRUE(device_->IsStopped());
  // Playing again at the end stays at the end.
  device_->Play();
  EXPECT_TRUE(device_->IsStopped());
}

TEST_F(HeadlessMusicTest, LengthFollowsTheFileTempo) {
  ASSERT_TRUE(device_->Open(Write("ten.mid", PieceOfBeats(20))));  // 20 beats: 10 s
  device_->Play();
  now_ += 9999;
  EXPECT_FALSE(device_->IsStopped());
  now_ += 1;
  EXPECT_TRUE(device_->IsStopped());
}

TEST_F(HeadlessMusicTest, StopKeepsThePositionAndPlayResumes) {
  ASSERT_TRUE(device_->Open(TwoSecondPiece()));
  device_->Play();
  now_ += 1500;
  device_->Stop();
  EXPECT_TRUE(device_->IsStopped());
  now_ += 60000;  // time passing while stopped does not count
  EXPECT_TRUE(device_->IsStopped());
  device_->Play();
  EXPECT_FALSE(device_->IsStopped());
  now_ += 499;
  EXPECT_FALSE(device_->IsStopped());
  now_ += 1;
  EXPECT_TRUE(device_->IsStopped());
}

TEST_F(HeadlessMusicTest, PlayWhilePlayingDoesNotRestart) {
  ASSERT_TRUE(device_->Open(TwoSecondPiece()));
  device_->Play();
  now_ += 1500;
  device_->Play();
  now_ += 500;
  EXPECT_TRUE(device_->IsStopped());
}

TEST_F(HeadlessMusicTest, SeekToStartRewinds) {
  ASSERT_TRUE(device_->Open(TwoSecondPiece()));
  // Played to the end, then rewound and played: the whole piece again.
  device_->Play();
  now_ += 5000;
  ASSERT_TRUE(device_->IsStopped());
  device_->SeekToStart();
  EXPECT_TRUE(device_->IsStopped());  // rewinding does not start it
  device_->Play();
  now_ += 1999;
  EXPECT_FALSE(device_->IsStopped());
  now_ += 1;
  EXPECT_TRUE(device_->IsStopped());

  // Stopped halfway and rewound.
  device_->SeekToStart();
  device_->Play();
  now_ += 1000;
  device_->Stop();
  device_->SeekToStart();
  device_->Play();
  now_ += 1999;
  EXPECT_FALSE(device_->IsStopped());
  now_ += 1;
  EXPECT_TRUE(device_->IsStopped());
}

TEST_F(HeadlessMusicTest, SeekToStartWhilePlayingGoesOnFromTheStart) {
  ASSERT_TRUE(device_->Open(TwoSecondPiece()));
  device_->Play();
  now_ += 1500;
  device_->SeekToStart();
  EXPECT_FALSE(device_->IsStopped());
  now_ += 1999;
  EXPECT_FALSE(device_->IsStopped());
  now_ += 1;
  EXPECT_TRUE(device_->IsStopped());
}

// The game's once-a-second timer keeps a looping piece going this way.
TEST_F(HeadlessMusicTest, TheGamesLoopRestartsThePieceEachTimeItEnds) {
  ASSERT_TRUE(device_->Open(TwoSecondPiece()));
  device_->Play();
  int restarts = 0;
  for (int second = 0; second < 10; ++second) {
    now_ += 1000;
    if (device_->IsStopped()) {
      device_->SeekToStart();
      device_->Play();
      ++restarts;
    }
  }
  // Ends at 2 s, restarts, ends at 4 s, ... : five times in ten seconds.
  EXPECT_EQ(restarts, 5);
}

TEST_F(HeadlessMusicTest, OpenReplacesThePieceAndCloseForgetsIt) {
  ASSERT_TRUE(device_->Open(TwoSecondPiece()));
  device_->Play();
  now_ += 1000;
  // The new piece starts stopped at its start, whatever the old one did.
  ASSERT_TRUE(device_->Open(Write("ten.mid", PieceOfBeats(20))));
  EXPECT_TRUE(device_->IsStopped());
  device_->Play();
  now_ += 5000;
  EXPECT_FALSE(device_->IsStopped());

  // A failed open still closes what was open.
  EXPECT_FALSE(device_->Open((dir_ / "missing.mid").string()));
  EXPECT_FALSE(device_->IsStopped());
  device_->Play();
  EXPECT_FALSE(device_->IsStopped());

  ASSERT_TRUE(device_->Open(TwoSecondPiece()));
  device_->Close();
  EXPECT_FALSE(device_->IsStopped());
}

TEST_F(HeadlessMusicTest, SurvivesTheClockWrappingAround) {
  now_ = 0xFFFFFF00u;
  ASSERT_TRUE(device_->Open(TwoSecondPiece()));
  device_->Play();
  now_ += 1000;  // wraps past zero
  EXPECT_FALSE(device_->IsStopped());
  now_ += 1000;
  EXPECT_TRUE(device_->IsStopped());
}

}  // namespace
}  // namespace kolvar
