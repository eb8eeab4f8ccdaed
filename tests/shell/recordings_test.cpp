// A recording file checked before it is played: read from disk, refused
// when it was played on other stages, with the stage file named; and games
// recorded through the program on the game's own stages or a stage pack,
// replayed by the headless runner with each of them.
#include "shell/recordings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>

#include "platform/data_files.h"
#include "platform/headless/headless_platform.h"
#include "shell/headless_launch.h"
#include "shell/program.h"
#include "support/files.h"
#include "support/scratch_folder.h"

namespace kolvar {
namespace {

namespace fs = std::filesystem;

TEST(Recordings, ARecordingOfOtherStagesIsRefusedNamingTheFirstStageFileThatDiffers) {
  const testing::ScratchFolder scratch("kolvar-stageset");
  const fs::path& dir = scratch.path();
  const StageSet here = OwnStageSet(".");
  // Each stage file gives its own digest.
  ASSERT_EQ(here.digests.size(), size_t{kRecordedStageFiles});
  EXPECT_EQ(std::set<uint32_t>(here.digests.begin(), here.digests.end()).size(),
            here.digests.size());
  const struct {
    int changed;  // -1: none
    std::string said;
  } cases[] = {{-1, ""},
               {0, "DATA/Stage01.MAP differs"},
               {5, "DATA/Stage03.IVM differs"},
               {31, "DATA/Stage16.IVM differs"}};
  for (const auto& c : cases) {
    StageSet recorded = here;
    if (c.changed >= 0) recorded.digests[static_cast<size_t>(c.changed)] ^= 1;
    std::string bytes = EncodeHeader(NewRecordingHeader(recorded));
    AppendPass(bytes, {{}, 1, true});
    const fs::path file = dir / "game.kvr";
    std::ofstream(file, std::ios::binary) << bytes;
    try {
      const OpenedRecording opened = OpenRecording(file.string(), here);
      EXPECT_EQ(c.said, "") << "accepted";
      EXPECT_EQ(opened.notice, "");
    } catch (const std::runtime_error& refused) {
      EXPECT_EQ(std::string(refused.what()),
                file.string() + ": recorded with other stages (" + c.said +
                    "); it replays only with the stages it was played on");
    }
  }
  // Not a file that can be read, or not a recording.
  for (const fs::path& path : {dir / "missing.kvr", dir}) {
    EXPECT_THROW(OpenRecording(path.string(), here), std::runtime_error);
  }
}

// Games recorded through the program, as the window records them, with
// keys from a script: Z held through the title, then a walk and a close on
// stage 1. Each is replayed by the headless runner with --stages as given.
class RecordedPackGames : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = std::make_unique<testing::ScratchFolder>("kolvar-pack-recordings");
    kDir = scratch_->path();
    // Another pack: the second set without its last stage.
    fs::copy("stages/deep-halls", kDir / "short", fs::copy_options::recursive);
    fs::remove(kDir / "short" / "stage16.txt");
    for (const char* stages : {"", "stages/deep-halls", "stages/kolvar"}) {
      const fs::path file = kDir / (Key(stages) + ".kvr");
      Arguments args;
      args.root = ".";
      args.stages = stages;
      args.trace = (kDir / (Key(stages) + ".jsonl")).string();
      Backend backend;
      backend.open = [](const OpenRequest& request) -> std::unique_ptr<Platform> {
        HeadlessOptions options;
        options.music_folder = ResolveDataFile(request.data_root, "MIDI");
        using A = ScriptLine::Action;
        options.script = {{0, A::kDown, Key::Z},        {5400, A::kUp, Key::Z},
                          {6500, A::kDown, Key::Right}, {8000, A::kUp, Key::Right},
                          {8000, A::kDown, Key::Down},  {9500, A::kUp, Key::Down},
                          {11000, A::kClose, Key::Z}};
        return std::make_unique<HeadlessPlatform>(std::move(options));
      };
      backend.start_recording = [file] {
        RecordingTarget target;
        target.path = file.string();
        target.file = std::fopen(target.path.c_str(), "wb");
        return target;
      };
      ASSERT_EQ(RunKolvar("kolvar", args, ".", ".", backend), 0) << stages;
    }
  }
  static void TearDownTestSuite() { scratch_.reset(); }

  // The name of a set's recording and trace.
  static std::string Key(const std::string& stages) {
    return stages.empty() ? "own" : fs::path(stages).filename().string();
  }

  struct Replayed {
    int status = 0;
    std::string said;  // standard error
    std::string trace;
  };
  static Replayed Replay(const fs::path& recording, const std::string& stages) {
    Arguments args;
    args.headless = true;
    args.root = ".";
    args.stages = stages;
    args.replay = recording.string();
    args.trace = (kDir / "replayed.jsonl").string();
    fs::remove(args.trace);
    Replayed out;
    ::testing::internal::CaptureStderr();
    out.status = RunHeadless("kolvar-headless", args, ".", ".");
    out.said = ::testing::internal::GetCapturedStderr();
    out.trace = ReadWholeFile(args.trace);
    return out;
  }

  static inline std::unique_ptr<testing::ScratchFolder> scratch_;
  static inline fs::path kDir;
};

TEST_F(RecordedPackGames, ReplayExactlyOnTheStagesTheyWerePlayedOnAndAreRefusedOnOthers) {
  const std::string own = ReadWholeFile(kDir / "own.jsonl");
  const std::string deep = ReadWholeFile(kDir / "deep-halls.jsonl");
  // Both games reached stage 1, and the pack's is another game.
  for (const std::string* trace : {&own, &deep}) {
    ASSERT_NE(trace->find("\"event\":\"stage\""), std::string::npos);
  }
  ASSERT_NE(own, deep);
  const std::string short_pack = (kDir / "short").string();
  auto pack = [](const std::string& name, const std::string& folder) {
    return "the stage pack '" + name + "' (folder " + folder + ")";
  };
  const std::string deep_halls = pack("Kolvar: The Deep Halls", "deep-halls");
  const struct {
    std::string recorded;  // the recording's set, as for --stages
    std::string replayed;  // --stages of the replay
    std::string refusal;   // empty: replays to the recorded trace
  } cases[] = {
      {"", "", ""},
      {"stages/deep-halls", "stages/deep-halls", ""},
      // The pack "kolvar" compiles to the game's own stages: the same game.
      {"stages/kolvar", "", ""},
      {"", "stages/kolvar", ""},
      {"stages/deep-halls", "",
       "recorded with " + deep_halls +
           ", replayed with the game's own stages: stage 1's map differs"},
      {"stages/deep-halls", "stages/kolvar",
       "recorded with " + deep_halls + ", replayed with " + pack("Kolvar", "kolvar") +
           ": stage 1's map differs"},
      {"stages/deep-halls", short_pack,
       "recorded with " + deep_halls + ", replayed with " +
           pack("Kolvar: The Deep Halls", "short") + ": 16 stages recorded, 15 here"},
      {"", "stages/deep-halls",
       "recorded with the game's own stages, replayed with " + deep_halls +
           ": stage 1's map differs"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("recorded with '" + c.recorded + "', replayed with '" + c.replayed + "'");
    const fs::path recording = kDir / (Key(c.recorded) + ".kvr");
    const Replayed replayed = Replay(recording, c.replayed);
    if (c.refusal.empty()) {
      EXPECT_EQ(replayed.status, 0) << replayed.said;
      EXPECT_TRUE(replayed.trace == ReadWholeFile(kDir / (Key(c.recorded) + ".jsonl")));
    } else {
      EXPECT_EQ(replayed.status, 1);
      EXPECT_EQ(replayed.said, "kolvar-headless: " + recording.string() + ": " + c.refusal +
                                   "; it replays only with the stages it was played on\n");
    }
  }
}

// Unsigned LEB128, as docs/headless.md describes it.
void PutNumber(std::string& out, uint64_t value) {
  for (; value >= 0x80; value >>= 7) out += static_cast<char>((value & 0x7F) | 0x80);
  out += static_cast<char>(value);
}

TEST_F(RecordedPackGames, AVersionOneRecordingOfTheGamesOwnStagesStillReplays) {
  // The game on its own stages recorded again in the first format: its
  // header held no pack and always the 32 stage files' digests.
  const std::string bytes = ReadWholeFile(kDir / "own.kvr");
  RecordingReader reader(bytes);
  RecordingHeader header;
  ASSERT_FALSE(reader.ReadHeader(header));
  std::string old(kRecordingMagic);
  PutNumber(old, 1);
  PutNumber(old, header.program_version.size());
  old += header.program_version;
  for (uint32_t digest : OwnStageSet(".").digests) {
    for (int shift = 0; shift < 32; shift += 8) old += static_cast<char>(digest >> shift);
  }
  PutNumber(old, header.start_clock);
  PutNumber(old, static_cast<uint64_t>(header.hiscore));
  PutNumber(old, static_cast<uint64_t>(header.continue_stage));
  old += bytes.substr(reader.offset());
  const fs::path file = kDir / "version1.kvr";
  std::ofstream(file, std::ios::binary) << old;

  const Replayed replayed = Replay(file, "");
  EXPECT_EQ(replayed.status, 0) << replayed.said;
  EXPECT_TRUE(replayed.trace == ReadWholeFile(kDir / "own.jsonl"));
  EXPECT_EQ(Replay(file, "stages/deep-halls").status, 1);
}

}  // namespace
}  // namespace kolvar
