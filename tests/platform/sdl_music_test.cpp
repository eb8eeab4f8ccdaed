// The sounding music device, driven through SDL audio in real time.
//
// They run with SDL_AUDIODRIVER=dummy (chosen here when the environment
// names no driver), whose callback runs at the real rate without a sound
// card, so the timing tests see fluidsynth play.
// The sound tests switch to SDL's disk driver, which writes every rendered
// buffer to a file, and measure how loud the output is. Without a usable
// audio driver or General MIDI soundfont a test skips itself.
#include "platform/sdl_music.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kolvar {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kNoAudio = "no audio driver or no General MIDI soundfont here";

void PutVarLen(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t groups[5];
  int n = 0;
  do {
    groups[n++] = value & 0x7F;
    value >>= 7;
  } while (value != 0);
  while (n > 1) out.push_back(static_cast<uint8_t>(groups[--n] | 0x80));
  out.push_back(groups[0]);
}

void PutChunk(std::vector<uint8_t>& out, const std::vector<uint8_t>& body) {
  out.insert(out.end(), {'M', 'T', 'r', 'k'});
  const uint32_t size = static_cast<uint32_t>(body.size());
  out.insert(out.end(), {static_cast<uint8_t>(size >> 24), static_cast<uint8_t>(size >> 16),
                         static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size)});
  out.insert(out.end(), body.begin(), body.end());
}

// An organ chord struck at tick 0 and held for all of `beats` (500 ms each):
// loud from the first moment to the last.
std::vector<uint8_t> OrganChord(uint32_t beats) {
  std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 0x01, 0xE0};
  PutChunk(out, {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x2F, 0x00});
  std::vector<uint8_t> track = {0x00, 0xC0, 16, 0x00, 0xB0, 7,  127,  // drawbar organ, loud
                                0x00, 0x90, 60, 110,  0x00, 64, 110, 0x00, 67, 110};
  PutVarLen(track, beats * 480);
  track.insert(track.end(), {0x80, 60, 0, 0x00, 64, 0, 0x00, 67, 0, 0x00, 0xFF, 0x2F, 0x00});
  PutChunk(out, track);
  return out;
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

void Sleep(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Milliseconds until the device reports the piece stopped (gives up at 8 s).
int MsUntilStopped(MusicDevice& device) {
  const auto start = Clock::now();
  while (!device.IsStopped()) {
    if (Clock::now() - start > std::chrono::seconds(8)) break;
    Sleep(5);
  }
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

class SdlMusicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The dummy driver plays in real time on any machine; a driver chosen
    // in the environment is left as it is.
    if (!std::getenv("SDL_AUDIODRIVER")) driver_.emplace("SDL_AUDIODRIVER", "dummy");
    dir_ = fs::temp_directory_path() /
           ("kolvar_sdl_music_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }

  std::optional<ScopedEnv> driver_;
  fs::path dir_;
};

// ---- no sound card needed

TEST_F(SdlMusicTest, WithoutAPieceEverythingDoesNothing) {
  auto device = CreateSdlMusicDevice();
  device->Play();
  device->Stop();
  device->SeekToStart();
  device->Close();
  EXPECT_FALSE(device->IsStopped());
}

TEST_F(SdlMusicTest, BadFilesDoNotOpenAndCloseTheOldPiece) {
  auto device = CreateSdlMusicDevice();
  const bool sounding = device->Open(Write("good.mid", OrganChord(2)));
  EXPECT_FALSE(device->Open((dir_ / "missing.mid").string()));
  EXPECT_FALSE(device->IsStopped());
  EXPECT_FALSE(device->Open(Write("text.mid", {'M', 'T', 'h', 'd', 'x'})));
  std::vector<uint8_t> no_end = OrganChord(2);
  no_end.resize(no_end.size() - 3);  // valid header, track cut before its end
  EXPECT_FALSE(device->Open(Write("cut.mid", no_end)));
  EXPECT_FALSE(device->IsStopped());
  if (!sounding) GTEST_SKIP() << kNoAudio << " (bad files were refused all the same)";
}

TEST_F(SdlMusicTest, AnUnusableAudioDriverLeavesTheDeviceSilentAndQuiet) {
  const std::string piece = Write("good.mid", OrganChord(2));
  for (const char* driver : {"no-such-driver", "alsa"}) {
    ScopedEnv env("SDL_AUDIODRIVER", driver);
    ::testing::internal::CaptureStderr();
    {
      auto device = CreateSdlMusicDevice();
      const bool opened = device->Open(piece);
      if (std::string(driver) == "no-such-driver") {
        EXPECT_FALSE(opened);
      }
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << driver;
  }
}

// ---- playing in real time

TEST_F(SdlMusicTest, NothingIsPrintedWhilePlaying) {
  ::testing::internal::CaptureStderr();
  {
    auto device = CreateSdlMusicDevice();
    if (device->Open(Write("piece.mid", OrganChord(1)))) {
      device->Play();
      Sleep(300);
      device->Stop();
      device->Close();
    }
  }
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST_F(SdlMusicTest, OpensStoppedAndPlaysForThePieceLength) {
  auto device = CreateSdlMusicDevice();
  if (!device->Open(Write("piece.mid", OrganChord(3)))) GTEST_SKIP() << kNoAudio;
  EXPECT_TRUE(device->IsStopped());
  Sleep(300);
  EXPECT_TRUE(device->IsStopped());  // opening does not start it

  device->Play();
  EXPECT_FALSE(device->IsStopped());
  // 1.5 s of music. fluidsynth itself reports "playing" for two seconds more
  // while the last notes ring; the device must not wait for that.
  const int ms = MsUntilStopped(*device);
  EXPECT_GT(ms, 1300);
  EXPECT_LT(ms, 2600);

  // Play at the end stays at the end.
  device->Play();
  Sleep(200);
  EXPECT_TRUE(device->IsStopped());
}

TEST_F(SdlMusicTest, StopKeepsThePositionAndPlayResumes) {
  auto device = CreateSdlMusicDevice();
  if (!device->Open(Write("piece.mid", OrganChord(4)))) GTEST_SKIP() << kNoAudio;
  device->Play();
  Sleep(1000);
  device->Stop();
  EXPECT_TRUE(device->IsStopped());
  Sleep(500);
  EXPECT_TRUE(device->IsStopped());
  device->Play();
  EXPECT_FALSE(device->IsStopped());
  // About one of the two seconds is left; from the start it would be two.
  const int ms = MsUntilStopped(*device);
  EXPECT_GT(ms, 500);
  EXPECT_LT(ms, 1650);
}

TEST_F(SdlMusicTest, SeekToStartRewindsAPiecePlayedToItsEnd) {
  auto device = CreateSdlMusicDevice();
  if (!device->Open(Write("piece.mid", OrganChord(3)))) GTEST_SKIP() << kNoAudio;
  device->Play();
  MsUntilStopped(*device);
  ASSERT_TRUE(device->IsStopped());
  device->SeekToStart();
  EXPECT_TRUE(device->IsStopped());  // rewinding does not start it
  device->Play();
  EXPECT_FALSE(device->IsStopped());
  const int ms = MsUntilStopped(*device);
  EXPECT_GT(ms, 1300);
  EXPECT_LT(ms, 2600);
}

TEST_F(SdlMusicTest, SeekToStartWhilePlayingGoesOnFromTheStart) {
  auto device = CreateSdlMusicDevice();
  if (!device->Open(Write("piece.mid", OrganChord(3)))) GTEST_SKIP() << kNoAudio;
  device->Play();
  Sleep(1000);
  device->SeekToStart();
  EXPECT_FALSE(device->IsStopped());
  const int ms = MsUntilStopped(*device);
  EXPECT_GT(ms, 1300);
  EXPECT_LT(ms, 2600);
}

TEST_F(SdlMusicTest, OpenReplacesThePlayingPiece) {
  auto device = CreateSdlMusicDevice();
  if (!device->Open(Write("first.mid", OrganChord(8)))) GTEST_SKIP() << kNoAudio;
  device->Play();
  Sleep(300);
  ASSERT_TRUE(device->Open(Write("second.mid", OrganChord(2))));
  EXPECT_TRUE(device->IsStopped());
  device->Play();
  const int ms = MsUntilStopped(*device);
  EXPECT_GT(ms, 800);
  EXPECT_LT(ms, 1900);
  device->Close();
  EXPECT_FALSE(device->IsStopped());
}

// ---- what comes out of the speakers

// Records the device's output through SDL's disk driver. The driver writes
// each buffer as it is rendered and waits a buffer's time between writes,
// so the file grows in step with playing time.
class Recording {
 public:
  explicit Recording(const fs::path& file)
      : file_(file), driver_("SDL_AUDIODRIVER", "disk"), out_("SDL_DISKAUDIOFILE", file.string()) {}

  // Where the recording stands now, in bytes.
  size_t Mark() const {
    std::error_code error;
    const auto size = fs::file_size(file_, error);
    return error ? 0 : static_cast<size_t>(size);
  }

  // Root mean square of the float stereo samples from `from_ms` to `to_ms`
  // after `mark` (negative: before it). Not a number when the recording
  // does not cover that stretch, so no comparison with it can pass.
  double Loudness(size_t mark, int from_ms, int to_ms) const {
    constexpr double kBytesPerMs = 44100.0 * 2 * sizeof(float) / 1000;
    const auto at = [&](int ms) {
      const long long offset = static_cast<long long>(ms * kBytesPerMs) / 8 * 8;
      return static_cast<long long>(mark) + offset;
    };
    const long long begin = at(from_ms);
    const long long end = at(to_ms);
    if (begin < 0 || end <= begin) return std::nan("");
    std::ifstream in(file_, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(begin));
    std::vector<float> samples(static_cast<size_t>(end - begin) / sizeof(float));
    const auto bytes = static_cast<std::streamsize>(samples.size() * sizeof(float));
    in.read(reinterpret_cast<char*>(samples.data()), bytes);
    if (in.gcount() != bytes) return std::nan("");
    double sum = 0;
    for (float s : samples) sum += static_cast<double>(s) * s;
    return std::sqrt(sum / static_cast<double>(samples.size()));
  }

 private:
  fs::path file_;
  ScopedEnv driver_;
  ScopedEnv out_;
};

constexpr double kLoud = 0.03;   // the organ chord measures about 0.1
constexpr double kQuiet = 0.01;  // released notes and reverb die below this

// fluidsynth's own seek back to tick 0 skips the first beat's notes when
// the player has not yet passed another event; the device must not.
TEST_F(SdlMusicTest, TheFirstBeatSoundsAgainAfterARewind) {
  Recording recording(dir_ / "out.raw");
  auto device = CreateSdlMusicDevice();
  if (!device->Open(Write("piece.mid", OrganChord(4)))) GTEST_SKIP() << kNoAudio;
  device->Play();
  Sleep(250);
  const size_t playing = recording.Mark();
  Sleep(250);
  device->Stop();
  device->SeekToStart();
  Sleep(300);
  const size_t rewound = recording.Mark();
  device->Play();
  Sleep(600);
  device->Stop();
  EXPECT_GT(recording.Loudness(playing, 0, 200), kLoud) << "the chord never sounded";
  EXPECT_LT(recording.Loudness(rewound, -100, 0), kQuiet) << "stopped, yet sounding";
  EXPECT_GT(recording.Loudness(rewound, 150, 450), kLoud) << "the rewound chord is missing";
}

TEST_F(SdlMusicTest, RewindingWhilePlayingStrikesTheFirstBeatAgain) {
  Recording recording(dir_ / "out.raw");
  auto device = CreateSdlMusicDevice();
  if (!device->Open(Write("piece.mid", OrganChord(4)))) GTEST_SKIP() << kNoAudio;
  device->Play();
  Sleep(300);
  device->SeekToStart();
  const size_t rewound = recording.Mark();
  Sleep(600);
  device->Stop();
  EXPECT_GT(recording.Loudness(rewound, 150, 450), kLoud);
}

TEST_F(SdlMusicTest, StopAndCloseSilenceHeldNotes) {
  Recording recording(dir_ / "out.raw");
  auto device = CreateSdlMusicDevice();
  if (!device->Open(Write("piece.mid", OrganChord(8)))) GTEST_SKIP() << kNoAudio;
  device->Play();
  Sleep(400);
  const size_t before_stop = recording.Mark();
  device->Stop();
  Sleep(700);
  const size_t stopped = recording.Mark();
  device->Play();  // resumes in the middle of the held chord: nothing to strike
  Sleep(300);
  device->SeekToStart();  // strikes it again
  Sleep(400);
  device->Close();
  const size_t closed = recording.Mark();
  Sleep(600);
  EXPECT_GT(recording.Loudness(before_stop, -300, -50), kLoud);
  EXPECT_LT(recording.Loudness(stopped, -300, 0), kQuiet);
  EXPECT_LT(recording.Loudness(closed, 200, 450), kQuiet);
}

}  // namespace
}  // namespace kolvar
