// Recordings read back: a headless game recorded and replayed to the same
// trace, and the same recording cut short, damaged or of another kind.
#include "platform/recording.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "core/fatal_error.h"
#include "core/game.h"
#include "core/trace.h"
#include "flow/outer_loop.h"
#include "platform/headless/headless_platform.h"
#include "platform/recording_platform.h"
#include "platform/replay_platform.h"
#include "support/files.h"
#include "support/scratch_folder.h"
#include "support/test_game.h"

namespace kolvar {
namespace {

namespace fs = std::filesystem;

const testing::ScratchFolder kScratch("kolvar_recording");
const fs::path kDir = kScratch.path();

std::string PlayTraced(Platform& platform) {
  return testing::PlayTraced(platform, kDir / "trace.jsonl");
}

using testing::Replayed;

// A refused header counts as where the replay stopped.
Replayed Replay(std::string bytes) {
  Replayed out = testing::ReplayRecording(std::move(bytes), kDir / "trace.jsonl");
  if (!out.header_fault.empty()) out.note = out.header_fault;
  return out;
}

// A headless game with a scroll and a miss, recorded once for every test.
struct RecordedGame {
  std::string bytes;
  std::string trace;
  size_t header_bytes = 0;
};

const RecordedGame& Recorded() {
  static const RecordedGame game = [] {
    fs::create_directories(kDir);
    RecordedGame made;
    HeadlessOptions options;
    options.music_folder = "MIDI";
    options.script =
        ReadInputScript(std::string(KOLVAR_REPLAYS_DIR) + "/stage1_walk_scroll_contact.in");
    HeadlessPlatform headless(options);
    RecordingHeader header;
    header.program_version = "Kolvar test";
    header.stage_digests[3] = 0xDEADBEEF;
    made.header_bytes = EncodeHeader(header).size();
    {
      RecordingPlatform recorder(headless, std::fopen((kDir / "game.kvr").c_str(), "wb"),
                                 "game.kvr", header, [](const std::string& e) { FAIL() << e; });
      made.trace = PlayTraced(recorder);
    }
    made.bytes = ReadWholeFile(kDir / "game.kvr");
    return made;
  }();
  return game;
}

// The trace's lines before its close event: what a cut replay must match.
std::string BeforeClose(const std::string& trace) {
  const size_t close = trace.find("\"event\":\"close\"");
  return close == std::string::npos ? trace : trace.substr(0, trace.rfind('\n', close) + 1);
}

TEST(Recording, AHeadlessGameReplaysToItsTraceAndIsSmall) {
  const RecordedGame& game = Recorded();
  ASSERT_NE(game.trace.find("\"event\":\"scroll\""), std::string::npos);
  ASSERT_NE(game.trace.find("\"event\":\"miss\""), std::string::npos);
  const Replayed replayed = Replay(game.bytes);
  EXPECT_EQ(replayed.note, "");
  EXPECT_TRUE(replayed.trace == game.trace);
  // 27 s of play, a pass a millisecond: about a byte a pass.
  EXPECT_LT(game.bytes.size(), 40000u);
}

TEST(Recording, ACutRecordingReplaysUpToItsLastWholeRecordAndSaysWhere) {
  const RecordedGame& game = Recorded();
  std::vector<size_t> cuts = {0,
                              1,
                              16,
                              17,
                              game.header_bytes - 1,
                              game.header_bytes,
                              game.header_bytes + 1,
                              game.bytes.size() - 1};
  std::mt19937 random(17);
  for (int i = 0; i < 12; ++i) {
    cuts.push_back(
        std::uniform_int_distribution<size_t>(game.header_bytes, game.bytes.size())(random));
  }
  for (size_t cut : cuts) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    const Replayed replayed = Replay(game.bytes.substr(0, cut));
    if (cut < game.header_bytes) {
      EXPECT_TRUE(replayed.note == "not a Kolvar recording" ||
                  replayed.note == "the header is cut short")
          << replayed.note;
      continue;
    }
    EXPECT_FALSE(replayed.corrupt);
    const std::string said = replayed.note;
    EXPECT_TRUE(said.find("cut short inside a record at byte") != std::string::npos ||
                said.find("ends without the window's close") != std::string::npos)
        << said;
    // It stopped no later than the cut, and played the game as it was up
    // to there.
    const size_t at = said.find("at byte ");
    if (at != std::string::npos) {
      EXPECT_LE(std::stoul(said.substr(at + 8)), cut);
    }
    const std::string before = BeforeClose(replayed.trace);
    EXPECT_EQ(game.trace.compare(0, before.size(), before), 0);
  }
}

TEST(Recording, DamagedBytesStopTheReplayWithAMessageNeverACrash) {
  const RecordedGame& game = Recorded();
  std::mt19937 random(4);
  int stopped = 0;
  for (int i = 0; i < 20; ++i) {
    std::string bytes = game.bytes;
    const size_t at =
        std::uniform_int_distribution<size_t>(game.header_bytes, bytes.size() - 1)(random);
    bytes[at] = static_cast<char>(bytes[at] ^ std::uniform_int_distribution<int>(1, 255)(random));
    SCOPED_TRACE("byte " + std::to_string(at));
    try {
      const Replayed replayed = Replay(bytes);
      // A damaged clock step plays on; a damaged answer is noticed.
      if (!replayed.note.empty()) ++stopped;
    } catch (const std::runtime_error& diverged) {
      EXPECT_NE(std::string(diverged.what()).find("game.kvr: the replay went another way"),
                std::string::npos)
          << diverged.what();
      ++stopped;
    }
  }
  EXPECT_GT(stopped, 0);
}

TEST(Recording, OtherFilesAndFormatVersionsAreRefusedByName) {
  const std::string magic(kRecordingMagic);
  RecordingHeader no_stages, too_many_stages;
  no_stages.stage_digests.clear();
  too_many_stages.stage_digests.assign(2 * (kMostRecordedStages + 1), 7);
  const struct {
    std::string bytes;
    std::string fault;
  } cases[] = {
      {"", "not a Kolvar recording"},
      {"kolvar recording", "not a Kolvar recording"},
      {"MThd\0\0\0\6", "not a Kolvar recording"},
      {magic + '\x03', "a recording of format version 3; this program reads versions 1 to 2"},
      {magic + '\x00', "a recording of format version 0; this program reads versions 1 to 2"},
      {EncodeHeader({}).substr(0, 40), "the header is cut short"},
      {EncodeHeader(no_stages), "the header holds a number out of range"},
      {EncodeHeader(too_many_stages), "the header holds a number out of range"},
  };
  for (const auto& c : cases) {
    RecordingReader reader(c.bytes);
    RecordingHeader read;
    EXPECT_EQ(reader.ReadHeader(read).value_or("accepted"), c.fault);
  }
}

TEST(Recording, HeaderAndPassesReadBackAsWritten) {
  RecordingHeader header;
  header.program_version = "Kolvar 9.99";
  header.pack_name = "Twenty Rooms";
  header.pack_key = "rooms";
  header.stage_digests.resize(40);
  for (size_t i = 0; i < header.stage_digests.size(); ++i) {
    header.stage_digests[i] = 0x01020304u * static_cast<uint32_t>(i);
  }
  header.start_clock = 4000000000u;
  header.hiscore = 123456;
  header.continue_stage = 16;
  const RecordedPass passes[] = {
      {{}, 1, false},
      {{{0, 5, 3}, {7, kAnswerMusicStopped, 1}, {200, 0, 2}}, 0, false},
      {{}, 4000000000u, true},
  };
  std::string bytes = EncodeHeader(header);
  for (const RecordedPass& pass : passes) AppendPass(bytes, pass);
  RecordingReader reader(bytes);
  RecordingHeader read;
  ASSERT_FALSE(reader.ReadHeader(read));
  EXPECT_EQ(read.program_version, header.program_version);
  EXPECT_EQ(read.format_version, kRecordingFormatVersion);
  EXPECT_EQ(read.stage_digests, header.stage_digests);
  EXPECT_EQ(read.pack_name, header.pack_name);
  EXPECT_EQ(read.pack_key, header.pack_key);
  EXPECT_EQ(read.start_clock, header.start_clock);
  EXPECT_EQ(read.hiscore, header.hiscore);
  EXPECT_EQ(read.continue_stage, header.continue_stage);
  for (const RecordedPass& pass : passes) {
    RecordedPass got;
    ASSERT_EQ(reader.Next(got), RecordingReader::Result::kPass);
    EXPECT_EQ(got.clock_step, pass.clock_step);
    EXPECT_EQ(got.close, pass.close);
    ASSERT_EQ(got.answers.size(), pass.answers.size());
    for (size_t i = 0; i < got.answers.size(); ++i) {
      EXPECT_EQ(got.answers[i].skipped, pass.answers[i].skipped);
      EXPECT_EQ(got.answers[i].what, pass.answers[i].what);
      EXPECT_EQ(got.answers[i].state, pass.answers[i].state);
    }
  }
  RecordedPass end;
  EXPECT_EQ(reader.Next(end), RecordingReader::Result::kEnd);
  // Every key answer the game can get survives the two bits kept.
  for (const uint16_t answer : std::initializer_list<uint16_t>{0x0000, 0x0001, 0x8000, 0x8001}) {
    EXPECT_EQ(KeyAnswer(KeyStateBits(answer)), answer);
  }
}

// A window to watch in whose clock the test keeps: each wait moves it by
// the time asked (a millisecond for a nap), and Esc is down from `esc_at`.
class WatchingWindow final : public Platform {
 public:
  explicit WatchingWindow(uint32_t esc_at) : esc_at_(esc_at) {}
  uint32_t Clock() override { return now; }
  uint16_t PollKey(Key key) override { return key == Key::Esc && now >= esc_at_ ? 0x8001 : 0; }
  bool PumpEvents() override { return false; }
  void Idle(uint32_t ms) override { now += std::max<uint32_t>(ms, 1); }
  void Show(PixelView) override {}
  MusicDevice& Music() override { return music_; }

  uint32_t now = 0;

 private:
  uint32_t esc_at_;
  testing::RecordingMusic music_;
};

// Watching waits for each recorded clock step in slices, answering the
// window between them: Esc 100 ms into an hour-long step (a crafted file,
// or a game stopped for an hour) ends the watch at once. The game's times
// are the recorded ones, so the trace is the recorded game's.
TEST(Recording, WatchingAnswersTheWindowWhileItWaitsAndKeepsTheTrace) {
  RecordingHeader header;
  std::string bytes = EncodeHeader(header);
  AppendPass(bytes, {{}, 3600 * 1000, false});
  AppendPass(bytes, {{}, 1, true});
  RecordingReader reader(bytes);
  ASSERT_FALSE(reader.ReadHeader(header));
  WatchingWindow window(100);
  ReplayOptions watch;
  watch.name = "hour.kvr";
  watch.paced = true;
  ReplayPlatform replay(window, std::move(reader), header, watch);
  EXPECT_TRUE(replay.PumpEvents());
  EXPECT_GE(window.now, 100u);
  EXPECT_LE(window.now, 200u);

  const RecordedGame& game = Recorded();
  RecordingReader whole(game.bytes);
  ASSERT_FALSE(whole.ReadHeader(header));
  WatchingWindow unhurried(UINT32_MAX);
  ReplayPlatform watched(unhurried, std::move(whole), header, watch);
  EXPECT_TRUE(PlayTraced(watched) == game.trace);
  EXPECT_EQ(watched.EndNote(), "");
}

}  // namespace
}  // namespace kolvar
