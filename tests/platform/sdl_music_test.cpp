// The sounding music device, driven through SDL audio in real time.
//
// They run with SDL_AUDIODRIVER=dummy (chosen here when the environment
// names no driver), whose callback runs at the real rate without a sound
// card. The sound test switches to SDL's disk driver, which writes every
// rendered buffer to a file as it plays, and measures how loud the output
// is. Without a usable audio driver or General MIDI soundfont a test skips.
#include "platform/sdl_music.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kolvar {
namespace {

namespace fs = std::filesystem;

constexpr const char* kNoAudio = "no audio driver or no General MIDI soundfont here";

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() { old_ ? (void)setenv(name_, old_->c_str(), 1) : (void)unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

void Sleep(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Milliseconds until the device reports the piece stopped (at most 8 s).
int MsUntilStopped(MusicDevice& device) {
  const auto start = std::chrono::steady_clock::now();
  const auto elapsed = [&] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
  };
  while (!device.IsStopped() && elapsed() < 8000) Sleep(5);
  return static_cast<int>(elapsed());
}

class SdlMusicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("SDL_AUDIODRIVER")) driver_.emplace("SDL_AUDIODRIVER", "dummy");
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // A loud organ chord struck at tick 0 and held for `beats` (500 ms each).
  std::string OrganChord(uint8_t beats) {
    const uint8_t d1 = static_cast<uint8_t>(0x80 | (480 * beats) >> 7);
    const uint8_t d2 = static_cast<uint8_t>((480 * beats) & 0x7F);
    const std::vector<uint8_t> bytes = {
        'M', 'T',  'h',  'd', 0,   0,    0,  6,   0,    0,    0,    1,    0x01, 0xE0,
        'M', 'T',  'r',  'k', 0,   0,    0,  32,  0x00, 0xC0, 16,   0x00, 0xB0, 7,
        127, 0x00, 0x90, 60,  110, 0x00, 64, 110, 0x00, 67,   110,  d1,   d2,   0x80,
        60,  0,    0x00, 64,  0,   0x00, 67, 0,   0x00, 0xFF, 0x2F, 0x00};
    const fs::path path = dir_ / ("chord" + std::to_string(beats) + ".mid");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path.string();
  }

  std::optional<ScopedEnv> driver_;
  fs::path dir_ = fs::temp_directory_path() /
                  ("kolvar_sdl_music_" +
                   std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
};

TEST_F(SdlMusicTest, RefusesBadFilesAndNeedsAPieceForEverything) {
  auto device = CreateSdlMusicDevice();
  device->Play();
  device->SeekToStart();
  EXPECT_FALSE(device->IsStopped());
  const bool sounding = device->Open(OrganChord(2));
  EXPECT_FALSE(device->Open((dir_ / "missing.mid").string()));
  EXPECT_FALSE(device->IsStopped());  // the failed open closed the old piece
  std::ofstream(dir_ / "bad.mid") << "MThd, and then no MIDI at all";
  EXPECT_FALSE(device->Open((dir_ / "bad.mid").string()));
  if (!sounding) GTEST_SKIP() << kNoAudio << " (bad files were refused all the same)";
}

// ALSA prints to stderr when there is no sound card, and fluidsynth logs
// its own warnings; a game without sound must start quietly all the same.
TEST_F(SdlMusicTest, PrintsNothingWithOrWithoutAnAudioDevice) {
  const std::string piece = OrganChord(1);
  for (const char* driver : {"no-such-driver", "alsa", "dummy"}) {
    ScopedEnv env("SDL_AUDIODRIVER", driver);
    ::testing::internal::CaptureStderr();
    {
      auto device = CreateSdlMusicDevice();
      if (device->Open(piece)) {
        device->Play();
        Sleep(200);
      } else {
        EXPECT_NE(std::string(driver), "dummy") << kNoAudio;
      }
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << driver;
  }
}

// fluidsynth's player says "playing" for two seconds after the last tick
// while notes ring out; the device reports the end on time.
TEST_F(SdlMusicTest, StopsAtTheEndOfThePieceAndRewindsForAnotherRound) {
  auto device = CreateSdlMusicDevice();
  if (!device->Open(OrganChord(3))) GTEST_SKIP() << kNoAudio;
  EXPECT_TRUE(device->IsStopped());
  device->Play();
  EXPECT_FALSE(device->IsStopped());
  int ms = MsUntilStopped(*device);
  EXPECT_GT(ms, 1300);
  EXPECT_LT(ms, 2600);
  device->Play();  // at the end: stays there
  Sleep(200);
  EXPECT_TRUE(device->IsStopped());
  device->SeekToStart();
  EXPECT_TRUE(device->IsStopped());
  device->Play();
  ms = MsUntilStopped(*device);
  EXPECT_GT(ms, 1300);
  EXPECT_LT(ms, 2600);
}

TEST_F(SdlMusicTest, StopKeepsThePositionAndPlayResumes) {
  auto device = CreateSdlMusicDevice();
  if (!device->Open(OrganChord(4))) GTEST_SKIP() << kNoAudio;
  device->Play();
  Sleep(1000);
  device->Stop();
  Sleep(500);
  EXPECT_TRUE(device->IsStopped());
  device->Play();
  const int ms = MsUntilStopped(*device);  // one of two seconds left
  EXPECT_GT(ms, 500);
  EXPECT_LT(ms, 1650);
}

// The window's pause holds the piece where it is: a pause longer than the
// rest of the piece does not end it, and playing on plays the rest.
TEST_F(SdlMusicTest, APauseHoldsThePieceWhereItIs) {
  auto device = CreateSdlMusicDevice();
  if (!device->Open(OrganChord(3))) GTEST_SKIP() << kNoAudio;
  device->Play();
  Sleep(500);
  device->SetPaused(true);
  Sleep(1500);
  EXPECT_FALSE(device->IsStopped());
  device->SetPaused(false);
  const int ms = MsUntilStopped(*device);  // one of one and a half seconds left
  EXPECT_GT(ms, 500);
  EXPECT_LT(ms, 1650);
}

// The disk driver writes each buffer as it is rendered and waits a buffer's
// time before the next, so the file grows in step with playing time.
// fluidsynth's own seek back to tick 0 skips the notes of the first beat
// while the player has not passed another event; the device must not.
TEST_F(SdlMusicTest, RewindsStrikeTheFirstBeatAndStopOrCloseSilence) {
  const fs::path raw = dir_ / "out.raw";
  ScopedEnv driver("SDL_AUDIODRIVER", "disk");
  ScopedEnv file("SDL_DISKAUDIOFILE", raw.string());
  auto device = CreateSdlMusicDevice();
  if (!device->Open(OrganChord(8))) GTEST_SKIP() << kNoAudio;
  const auto mark = [&] {
    std::error_code error;
    return static_cast<long long>(fs::file_size(raw, error));
  };
  // Root mean square of the float stereo output from 100 to 350 ms after
  // `at`, past the release of whatever sounded before.
  const auto loudness = [&](long long at) {
    std::vector<float> samples(44100 / 4 * 2);
    std::ifstream in(raw, std::ios::binary);
    in.seekg(at + 44100 / 10 * 8);
    in.read(reinterpret_cast<char*>(samples.data()), std::streamsize(samples.size() * 4));
    if (in.gcount() != std::streamsize(samples.size() * 4)) return std::nan("");
    double sum = 0;
    for (float s : samples) sum += double(s) * s;
    return std::sqrt(sum / double(samples.size()));
  };
  // The held chord measures about 0.2; after a stop or close only the
  // reverb's tail is left, about 0.01.
  constexpr double kLoud = 0.08;
  constexpr double kQuiet = 0.04;

  // Each window starts 100 ms after its mark and ends before the next step.
  device->Play();
  const long long playing = mark();
  Sleep(400);
  device->Stop();
  const long long stopped = mark();
  Sleep(400);
  device->SeekToStart();
  device->Play();
  const long long rewound = mark();
  Sleep(400);
  device->SeekToStart();  // while playing
  const long long rewound_playing = mark();
  Sleep(400);
  device->Close();
  const long long closed = mark();
  Sleep(500);
  EXPECT_GT(loudness(playing), kLoud);
  EXPECT_LT(loudness(stopped), kQuiet);
  EXPECT_GT(loudness(rewound), kLoud);
  EXPECT_GT(loudness(rewound_playing), kLoud);
  EXPECT_LT(loudness(closed), kQuiet);
}

}  // namespace
}  // namespace kolvar
