// The sounding music devices, live fluidsynth and the rendered pieces,
// driven through SDL audio in real time: the same tests hold both to the
// same behaviour.
//
// They run with SDL_AUDIODRIVER=dummy (chosen here when the environment
// names no driver), whose callback runs at the real rate without a sound
// card. The timing and sound tests switch to SDL's disk driver, which writes
// every rendered buffer to a file as it plays: its length is the playing
// time rendered so far, which a busy machine cannot stretch the way it
// stretches the wall clock, and its samples show how loud the output is.
// Without a usable audio driver or General MIDI soundfont a test skips.
// (The rendered pieces are made here with the soundfont, as oggc makes them.)
#include "platform/sdl/sdl_music.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ogg_writer.h"
#include "platform/sdl/music_choice.h"
#include "platform/sdl/ogg_music.h"
#include "platform/sdl/synth_render.h"
#include "support/scratch_folder.h"

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

// The disk driver's output: float stereo at 44.1 kHz, 8 bytes a frame.
class RenderedAudio {
 public:
  explicit RenderedAudio(const fs::path& raw)
      : raw_(raw), driver_("SDL_AUDIODRIVER", "disk"), file_("SDL_DISKAUDIOFILE", raw.string()) {}

  long long Bytes() const {
    std::error_code error;
    const auto size = fs::file_size(raw_, error);
    return error ? 0 : static_cast<long long>(size);
  }
  // Milliseconds of sound rendered so far.
  double Ms() const { return static_cast<double>(Bytes()) / kBytesPerMs; }
  // Waits until `ms` more milliseconds of sound have been rendered (giving
  // up after 20 s of wall-clock time).
  void Await(int ms) const {
    const double until = Ms() + ms;
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Ms() < until && std::chrono::steady_clock::now() < give_up) Sleep(2);
  }
  // Milliseconds of sound rendered until the device reports the piece
  // stopped (at most 20 s of wall-clock time).
  double MsUntilStopped(MusicDevice& device) const {
    const double start = Ms();
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!device.IsStopped() && std::chrono::steady_clock::now() < give_up) Sleep(2);
    return Ms() - start;
  }
  // Root mean square of the output from 100 to 350 ms after the byte
  // offset `at`, past the release of whatever sounded before.
  double Loudness(long long at) const {
    std::vector<float> samples(44100 / 4 * 2);
    std::ifstream in(raw_, std::ios::binary);
    in.seekg(at + static_cast<long long>(100 * kBytesPerMs));
    in.read(reinterpret_cast<char*>(samples.data()), std::streamsize(samples.size() * 4));
    if (in.gcount() != std::streamsize(samples.size() * 4)) return std::nan("");
    double sum = 0;
    for (float sample : samples) sum += double(sample) * sample;
    return std::sqrt(sum / double(samples.size()));
  }

 private:
  static constexpr double kBytesPerMs = 44100 * 8 / 1000.0;
  fs::path raw_;
  ScopedEnv driver_;
  ScopedEnv file_;
};

class SdlMusicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("SDL_AUDIODRIVER")) driver_.emplace("SDL_AUDIODRIVER", "dummy");
    fs::create_directories(dir_);
  }

  std::unique_ptr<SdlMusic> MakeDevice(std::function<void(const std::string&)> report = {}) {
    return source_ == MusicSource::kLive ? CreateSdlMusicDevice(dir_.string(), std::move(report))
                                         : CreateOggMusicDevice(dir_.string(), std::move(report));
  }

  // Writes NAME.ogg beside NAME.mid, as the build does; false without a
  // soundfont.
  bool Render(const std::string& midi) {
    const RenderedPiece piece = RenderMidiFile((dir_ / midi).string(), 2.0);
    return piece.error.empty() && WriteOggVorbis((dir_ / RenderedPieceName(midi)).string(),
                                                 piece.samples, kSynthSampleRate, 0.2f) == "";
  }

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
    if (source_ == MusicSource::kRendered) Render(path.filename().string());
    return path.filename().string();
  }

  MusicSource source_ = MusicSource::kLive;
  std::optional<ScopedEnv> driver_;
  testing::ScratchFolder scratch_{"kolvar_sdl_music"};
  fs::path dir_ = scratch_ / "music";
};

// The tests below run once with each device.
class MusicDeviceTest : public SdlMusicTest, public ::testing::WithParamInterface<MusicSource> {
 protected:
  void SetUp() override {
    source_ = GetParam();
    SdlMusicTest::SetUp();
  }
};

INSTANTIATE_TEST_SUITE_P(Devices, MusicDeviceTest,
                         ::testing::Values(MusicSource::kLive, MusicSource::kRendered),
                         [](const auto& param_info) {
                           return param_info.param == MusicSource::kLive ? "Live" : "Rendered";
                         });

TEST_P(MusicDeviceTest, RefusesBadFilesAndNeedsAPieceForEverything) {
  std::vector<std::string> warnings;
  auto device = MakeDevice([&](const std::string& w) { warnings.push_back(w); });
  device->Play();
  device->SeekToStart();
  EXPECT_FALSE(device->IsStopped());
  const bool sounding = device->Open(OrganChord(2));
  EXPECT_FALSE(device->Open("missing.mid"));
  EXPECT_FALSE(device->IsStopped());  // the failed open closed the old piece
  std::ofstream(dir_ / "bad.mid") << "MThd, and then no MIDI at all";
  EXPECT_FALSE(device->Open("bad.mid"));
  EXPECT_FALSE(device->Open("BAD.MID"));
  // One warning naming the bad file, with or without a sound card; the
  // missing one was named at start by the data folder's check. A rendered
  // piece that is no Ogg Vorbis, or a FIFO, is named too.
  std::vector<std::string> bad_files = {(dir_ / "bad.mid").string()};
  if (source_ == MusicSource::kRendered) {
    const std::string good = OrganChord(1), fifo = OrganChord(2);
    std::ofstream(dir_ / RenderedPieceName(good)) << "OggS, and then no Vorbis at all";
    fs::remove(dir_ / RenderedPieceName(fifo));
    ASSERT_EQ(mkfifo((dir_ / RenderedPieceName(fifo)).c_str(), 0600), 0);
    EXPECT_FALSE(device->Open(good));
    EXPECT_FALSE(device->Open(fifo));
    EXPECT_FALSE(device->Open(good));
    bad_files.push_back((dir_ / RenderedPieceName(good)).string());
    bad_files.push_back((dir_ / RenderedPieceName(fifo)).string());
  }
  ASSERT_EQ(warnings.size(), bad_files.size());
  for (size_t i = 0; i < warnings.size(); ++i) {
    EXPECT_EQ(warnings[i].rfind(bad_files[i] + ": ", 0), 0u) << warnings[i];
    EXPECT_NE(warnings[i].find("; playing on without it"), std::string::npos) << warnings[i];
  }
  if (!sounding) GTEST_SKIP() << kNoAudio << " (bad files were refused all the same)";
}

// ALSA prints to stderr when there is no sound card, and fluidsynth logs
// its own warnings; a game without sound must start quietly all the same.
TEST_P(MusicDeviceTest, PrintsNothingWithOrWithoutAnAudioDevice) {
  const std::string piece = OrganChord(1);
  for (const char* driver : {"no-such-driver", "alsa", "dummy"}) {
    ScopedEnv env("SDL_AUDIODRIVER", driver);
    ::testing::internal::CaptureStderr();
    {
      auto device = MakeDevice();
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
// while notes ring out, and the rendered piece holds those two seconds too;
// the device reports the end on time.
TEST_P(MusicDeviceTest, StopsAtTheEndOfThePieceAndRewindsForAnotherRound) {
  const RenderedAudio audio(dir_ / "out.raw");
  auto device = MakeDevice();
  if (!device->Open(OrganChord(3))) GTEST_SKIP() << kNoAudio;
  EXPECT_TRUE(device->IsStopped());
  device->Play();
  EXPECT_FALSE(device->IsStopped());
  double ms = audio.MsUntilStopped(*device);
  EXPECT_GT(ms, 1300);
  EXPECT_LT(ms, 2600);
  device->Play();  // at the end: stays there
  audio.Await(200);
  EXPECT_TRUE(device->IsStopped());
  device->SeekToStart();
  EXPECT_TRUE(device->IsStopped());
  device->Play();
  ms = audio.MsUntilStopped(*device);
  EXPECT_GT(ms, 1300);
  EXPECT_LT(ms, 2600);
}

TEST_P(MusicDeviceTest, StopKeepsThePositionAndPlayResumes) {
  const RenderedAudio audio(dir_ / "out.raw");
  auto device = MakeDevice();
  if (!device->Open(OrganChord(4))) GTEST_SKIP() << kNoAudio;
  device->Play();
  audio.Await(1000);
  device->Stop();
  audio.Await(500);
  EXPECT_TRUE(device->IsStopped());
  device->Play();
  const double ms = audio.MsUntilStopped(*device);  // one of two seconds left
  EXPECT_GT(ms, 500);
  EXPECT_LT(ms, 1650);
}

// The window's pause holds the piece where it is: a pause longer than the
// rest of the piece does not end it, and playing on plays the rest.
TEST_P(MusicDeviceTest, APauseHoldsThePieceWhereItIs) {
  const RenderedAudio audio(dir_ / "out.raw");
  auto device = MakeDevice();
  if (!device->Open(OrganChord(3))) GTEST_SKIP() << kNoAudio;
  device->Play();
  audio.Await(500);
  device->SetPaused(true);
  Sleep(1500);  // a paused device renders nothing, so this is wall-clock time
  EXPECT_FALSE(device->IsStopped());
  device->SetPaused(false);
  const double ms = audio.MsUntilStopped(*device);  // one of one and a half seconds left
  EXPECT_GT(ms, 500);
  EXPECT_LT(ms, 1650);
}

// The disk driver writes each buffer as it is rendered and waits a buffer's
// time before the next, so the file grows in step with playing time.
// fluidsynth's own seek back to tick 0 skips the notes of the first beat
// while the player has not passed another event; the device must not.
TEST_P(MusicDeviceTest, RewindsStrikeTheFirstBeatAndStopOrCloseSilence) {
  const RenderedAudio audio(dir_ / "out.raw");
  auto device = MakeDevice();
  if (!device->Open(OrganChord(8))) GTEST_SKIP() << kNoAudio;
  // The held chord measures about 0.2; after a stop or close only the
  // reverb's tail is left, about 0.01 (nothing of the rendered piece).
  constexpr double kLoud = 0.08;
  constexpr double kQuiet = 0.04;

  // Each window starts 100 ms after its mark and ends before the next step.
  device->Play();
  const long long playing = audio.Bytes();
  audio.Await(400);
  device->Stop();
  const long long stopped = audio.Bytes();
  audio.Await(400);
  device->SeekToStart();
  device->Play();
  const long long rewound = audio.Bytes();
  audio.Await(400);
  device->SeekToStart();  // while playing
  const long long rewound_playing = audio.Bytes();
  audio.Await(400);
  device->Close();
  const long long closed = audio.Bytes();
  audio.Await(500);
  EXPECT_GT(audio.Loudness(playing), kLoud);
  EXPECT_LT(audio.Loudness(stopped), kQuiet);
  EXPECT_GT(audio.Loudness(rewound), kLoud);
  EXPECT_GT(audio.Loudness(rewound_playing), kLoud);
  EXPECT_LT(audio.Loudness(closed), kQuiet);
}

// The window plays the rendered pieces unless the player names a
// soundfont, or a MIDI file lacks its rendered piece.
TEST_F(SdlMusicTest, TheWindowPlaysTheRenderedPiecesUnlessASoundfontIsNamedOrOneIsMissing) {
  const struct {
    std::vector<std::string> files;
    std::string soundfont;
    MusicSource expected;
  } cases[] = {
      {{"title.mid", "title.ogg", "CLEAR.MID", "CLEAR.ogg"}, "", MusicSource::kRendered},
      {{"title.mid", "TITLE.OGG", "notes.txt"}, "", MusicSource::kRendered},
      {{"title.mid", "title.ogg"}, "/usr/share/sounds/sf2/mine.sf2", MusicSource::kLive},
      {{"title.mid", "title.ogg", "CLEAR.MID"}, "", MusicSource::kLive},
      {{"title.ogg"}, "", MusicSource::kLive},
      {{}, "", MusicSource::kLive},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.files) + " " + c.soundfont);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    for (const std::string& file : c.files) std::ofstream(dir_ / file) << "x";
    EXPECT_EQ(ChooseMusicSource(dir_.string(), c.soundfont), c.expected);
  }
  EXPECT_EQ(ChooseMusicSource((dir_ / "none").string(), ""), MusicSource::kLive);
  EXPECT_EQ(RenderedPieceName("CLEAR.MID"), "CLEAR.ogg");
  EXPECT_EQ(RenderedPieceName("a.b/title"), "a.b/title.ogg");
}

// A named soundfont plays the piece through fluidsynth live, with the disk
// driver: the rendered piece beside it is silence, so only live synthesis
// sounds; without the name the silent rendered piece is what plays.
TEST_F(SdlMusicTest, ANamedSoundfontPlaysThePieceThroughLiveSynthesis) {
  const std::string soundfont = FindSoundfont().path;
  const std::string piece = OrganChord(4);
  ASSERT_EQ(
      WriteOggVorbis((dir_ / RenderedPieceName(piece)).string(),
                     std::vector<float>(2 * kSynthSampleRate * 4, 0.0f), kSynthSampleRate, 0.2f),
      "");
  for (const bool named : {true, false}) {
    SCOPED_TRACE(named ? "soundfont named" : "no soundfont named");
    const RenderedAudio audio(dir_ / "out.raw");
    auto device = CreateWindowMusic(dir_.string(), named ? soundfont : "");
    if (!device->Open(piece) || (named && soundfont.empty())) GTEST_SKIP() << kNoAudio;
    device->Play();
    const long long playing = audio.Bytes();
    audio.Await(500);
    if (named) {
      EXPECT_GT(audio.Loudness(playing), 0.08);
    } else {
      EXPECT_LT(audio.Loudness(playing), 0.001);
    }
    device->Close();
  }
}

}  // namespace
}  // namespace kolvar

namespace kolvar {
namespace {

// The soundfont the player names, else the first found: the user's data
// folder before the system's, in each the General MIDI names before any
// other .sf2 or .sf3 by name; every fallback and silence says why.
TEST_F(SdlMusicTest, TheSoundfontIsTheNamedOneElseTheFirstFoundAndSilenceSaysWhy) {
  const fs::path home = dir_ / "home", user = dir_ / "user", system = dir_ / "system";
  const ScopedEnv home_env("HOME", home.string());
  const ScopedEnv user_env("XDG_DATA_HOME", user.string());
  const ScopedEnv system_env("XDG_DATA_DIRS", (dir_ / "none").string() + ":" + system.string());
  const struct {
    std::vector<std::string> files;  // below dir_
    std::string wanted;
    std::string path;     // below dir_; empty: none
    std::string problem;  // the start of it; empty: none
  } cases[] = {
      {{}, "", "", "music is off: no soundfont is installed (install fluid-soundfont-gm"},
      {{"system/sounds/sf2/b.sf2", "system/sounds/sf2/a.sf2", "system/sounds/sf2/TimGM6mb.sf2"},
       "",
       "system/sounds/sf2/TimGM6mb.sf2",
       ""},
      {{"system/sounds/sf2/b.sf2", "system/sounds/sf2/a.sf3", "system/sounds/sf2/notes.txt"},
       "",
       "system/sounds/sf2/a.sf3",
       ""},
      {{"system/sounds/sf2/FluidR3_GM.sf2", "user/soundfonts/zeta.sf2"},
       "",
       "user/soundfonts/zeta.sf2",
       ""},
      {{"system/soundfonts/default.sf2", "system/sounds/sf2/FluidR3_GM.sf2"},
       "",
       "system/soundfonts/default.sf2",
       ""},
      {{"system/sounds/sf2/FluidR3_GM.sf2", "mine.sf2"}, "mine.sf2", "mine.sf2", ""},
      {{"system/sounds/sf2/FluidR3_GM.sf2", "home/my.sf2"}, "~/my.sf2", "home/my.sf2", ""},
      {{"system/sounds/sf2/FluidR3_GM.sf2"},
       "gone.sf2",
       "system/sounds/sf2/FluidR3_GM.sf2",
       "the soundfont DIR/gone.sf2 cannot be read; playing with "
       "DIR/system/sounds/sf2/FluidR3_GM.sf2"},
      {{}, "gone.sf2", "", "music is off: the soundfont DIR/gone.sf2 cannot be read and no other"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.wanted + " / " + (c.files.empty() ? "" : c.files.front()));
    fs::remove_all(home), fs::remove_all(user), fs::remove_all(system);
    for (const std::string& file : c.files) {
      fs::create_directories((dir_ / file).parent_path());
      std::ofstream(dir_ / file) << "RIFF";
    }
    fs::create_directories(system / "sounds/sf2/folder.sf2");  // a folder is no soundfont
    const std::string wanted =
        c.wanted.empty() || c.wanted[0] == '~' ? c.wanted : (dir_ / c.wanted).string();
    const SoundfontChoice got = FindSoundfont(wanted);
    EXPECT_EQ(got.path, c.path.empty() ? "" : (dir_ / c.path).string());
    std::string problem = c.problem;
    for (size_t at; (at = problem.find("DIR")) != std::string::npos;) {
      problem.replace(at, 3, dir_.string());
    }
    if (problem.empty()) {
      EXPECT_EQ(got.problem, "");
    } else {
      EXPECT_EQ(got.problem.rfind(problem, 0), 0u) << got.problem;
    }
  }
}

// The device tells once why it is silent: no soundfont, or one the
// synthesizer cannot read.
TEST_F(SdlMusicTest, ASilentDeviceSaysWhyOnce) {
  const ScopedEnv user_env("XDG_DATA_HOME", (dir_ / "user").string());
  const ScopedEnv system_env("XDG_DATA_DIRS", (dir_ / "system").string());
  auto none = CreateSdlMusicDevice(dir_.string());
  EXPECT_EQ(none->TakeNotice().rfind("music is off: no soundfont is installed", 0), 0u);
  EXPECT_EQ(none->TakeNotice(), "");
  EXPECT_FALSE(none->Open(OrganChord(1)));

  const fs::path bogus = dir_ / "bogus.sf2";
  std::ofstream(bogus) << "not a soundfont at all";
  auto unreadable = CreateSdlMusicDevice(dir_.string(), {}, bogus.string());
  std::string notice;
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (notice.empty() && std::chrono::steady_clock::now() < give_up) {
    notice = unreadable->TakeNotice();
    Sleep(5);
  }
  if (notice.find("no sound device") != std::string::npos) GTEST_SKIP() << kNoAudio;
  EXPECT_EQ(notice,
            "music is off: " + bogus.string() + " is not a soundfont the synthesizer can read");
  EXPECT_FALSE(unreadable->Open(OrganChord(1)));
  EXPECT_EQ(unreadable->TakeNotice(), "");
}

}  // namespace
}  // namespace kolvar
