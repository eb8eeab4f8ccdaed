// What the player keeps and the game cannot keep is told on the notice
// line, once, as the program plays: a recording that cannot be written (a
// full disk), the hi-score game's mark, a settings line naming a pack that
// cannot be played. A stage pack's faults fit their error box.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/data_files.h"
#include "platform/desktop/recording_folder.h"
#include "platform/headless/headless_platform.h"
#include "shell/program.h"
#include "support/scratch_folder.h"

namespace kolvar {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// The headless platform keeping what it is told.
class NoticeTaker final : public HeadlessPlatform {
 public:
  NoticeTaker(HeadlessOptions options, Lines& told)
      : HeadlessPlatform(std::move(options)), told_(told) {}
  void Notice(const std::string& message) override { told_.push_back(message); }

 private:
  Lines& told_;
};

// A file on a disk that fills after `room` bytes: each write past them
// fails with ENOSPC, as on a full disk.
std::FILE* FillingFile(size_t room) {
  struct Disk {
    size_t room;
  };
  cookie_io_functions_t io{};
  io.write = [](void* cookie, const char*, size_t size) -> ssize_t {
    Disk& disk = *static_cast<Disk*>(cookie);
    if (size > disk.room) {
      errno = ENOSPC;
      return -1;
    }
    disk.room -= size;
    return static_cast<ssize_t>(size);
  };
  io.close = [](void* cookie) {
    delete static_cast<Disk*>(cookie);
    return 0;
  };
  return fopencookie(new Disk{room}, "w", io);
}

struct PlayedRun {
  int status = -1;
  Lines told;   // the platform's notices
  Lines boxes;  // the error boxes shown
};

// The game on its own stages as the window plays it, with keys from a
// script that takes stage 1's key (a new hi-score) at 19.7 s; closed at
// 21 s.
PlayedRun Play(Arguments args, std::function<RecordingTarget()> start_recording = {}) {
  PlayedRun run;
  args.root = ".";
  Backend backend;
  backend.open = [&run](const OpenRequest& request) -> std::unique_ptr<Platform> {
    HeadlessOptions options;
    options.music_folder = ResolveDataFile(request.data_root, "MIDI");
    options.script =
        ReadInputScript(std::string(KOLVAR_REPLAYS_DIR) + "/continue_after_game_over.in");
    options.quit_at = 21000;
    return std::make_unique<NoticeTaker>(std::move(options), run.told);
  };
  backend.start_recording = std::move(start_recording);
  backend.show_error = [&run](const std::string& message) { run.boxes.push_back(message); };
  run.status = RunKolvar("kolvar", args, ".", ".", backend);
  return run;
}

size_t CountHolding(const Lines& lines, const std::string& part) {
  size_t count = 0;
  for (const std::string& line : lines) count += line.find(part) != std::string::npos;
  return count;
}

TEST(Notices, EachThingLostIsToldOnceAndAnEmptyRecordingIsNotLeft) {
  const testing::ScratchFolder scratch("kolvar-notices");
  const fs::path recording = scratch / "game.kvr";
  const fs::path mark_blocked = scratch / "blocked";
  fs::create_directories(mark_blocked / kHiScoreRecordingMark / "in-the-way");
  const struct Case {
    const char* what;
    size_t room;        // bytes the disk takes; 0: a file that cannot be made
    bool blocked_mark;  // the hi-score game's mark cannot be written
    std::string told;   // what the notice line says, once
    bool file_left;
  } cases[] = {
      {"the header does not fit", 10, false,
       recording.string() + ": cannot write the recording: No space left on device; the game "
                            "plays on unrecorded",
       false},
      {"the disk fills during the game", 4000, false,
       recording.string() + ": cannot write the recording: No space left on device; the game "
                            "plays on unrecorded",
       true},
      {"no file can be made", 0, false,
       recording.string() + ": cannot create the recording: No space left on device; this game "
                            "is not recorded",
       false},
      {"the mark cannot be written", 1 << 20, true,
       "; this hi-score game's recording is kept only while it is among the newest 20", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(recording);
    const PlayedRun run = Play({}, [&] {
      RecordingTarget target;
      target.path = recording.string();
      if (c.room == 0) {
        target.error = target.path + ": cannot create the recording: No space left on device";
        return target;
      }
      // The file is made as the game makes it, empty, then written to the
      // filling disk.
      std::fclose(std::fopen(target.path.c_str(), "w"));
      target.file = FillingFile(c.room);
      if (c.blocked_mark) {
        target.on_hiscore = MarkOnFirstHiScore((mark_blocked / "kolvar.kvr").string());
      }
      return target;
    });
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(CountHolding(run.told, c.told), 1u) << ::testing::PrintToString(run.told);
    EXPECT_EQ(run.told.size(), 1u) << ::testing::PrintToString(run.told);
    EXPECT_EQ(fs::exists(recording), c.file_left);
  }
}

// A `stages = NAME` line the game cannot use is reported with its file and
// line, and the game's own stages are played; the same pack named on the
// command line stops the game (status 2) before anything opens.
TEST(Notices, ASettingsPackThatCannotBePlayedIsReportedOnItsLine) {
  const testing::ScratchFolder scratch("kolvar-notices");
  const std::string faulty = scratch.Write("faulty/pack.txt", "name: F\n").parent_path().string();
  const std::string setting = "/home/p/.config/kolvar/kolvar.conf:4";
  const struct {
    std::string stages;
    std::string setting;
    int status;
    std::string told;
  } cases[] = {
      {"no-such-pack", setting, 0, setting + ": stages: no stage pack 'no-such-pack'; looked in: "},
      {faulty, setting, 0,
       setting + ": stages: the stage pack " + faulty +
           " has 2 faults; playing the game's own stages"},
      {"no-such-pack", "", 2, ""},
      {faulty, "", 2, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stages + " from " + (c.setting.empty() ? "the command line" : c.setting));
    Arguments args;
    args.stages = c.stages;
    args.stages_setting = c.setting;
    ::testing::internal::CaptureStderr();
    const PlayedRun run = Play(args);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(run.status, c.status);
    if (c.status != 0) {
      EXPECT_EQ(run.boxes.size(), 1u);
      continue;
    }
    EXPECT_TRUE(run.boxes.empty());
    ASSERT_EQ(run.told.size(), 1u) << ::testing::PrintToString(run.told);
    EXPECT_EQ(run.told[0].rfind(c.told, 0), 0u) << run.told[0];
    EXPECT_TRUE(run.told[0].ends_with("; playing the game's own stages")) << run.told[0];
  }
}

// A pack with many faults: the terminal gets every one, the box the first
// ten and how many more, so its OK button stays on the screen.
TEST(Notices, APacksFaultBoxListsTenFaultsAndHowManyMore) {
  const testing::ScratchFolder scratch("kolvar-notices");
  std::string info;
  for (int i = 0; i < 14; ++i) info += "colour" + std::to_string(i) + ": red\n";
  const std::string folder = scratch.Write("many/pack.txt", info).parent_path().string();
  Arguments args;
  args.stages = folder;
  ::testing::internal::CaptureStderr();
  const PlayedRun run = Play(args);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(run.status, 2);
  // 14 unknown keys, no name, no author, no stage: 17 faults.
  EXPECT_EQ(CountHolding({said}, "colour13"), 1u) << said;
  ASSERT_EQ(run.boxes.size(), 1u);
  const std::string& box = run.boxes[0];
  EXPECT_EQ(CountHolding({box}, "colour9"), 1u) << box;
  EXPECT_EQ(CountHolding({box}, "colour10"), 0u) << box;
  EXPECT_NE(box.find("\nand 7 more\n"), std::string::npos) << box;
  EXPECT_TRUE(box.ends_with("has 17 faults; the game does not start")) << box;
  EXPECT_EQ(std::count(box.begin(), box.end(), '\n'), 11);
}

}  // namespace
}  // namespace kolvar
