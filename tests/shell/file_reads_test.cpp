// Every kind of file the game reads, read through the one reader: a FIFO in
// its place is refused at once (never waited on) and a file over the kind's
// cap is refused before it is read, each with one line naming the file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "core/fatal_error.h"
#include "platform/desktop/config_file.h"
#include "platform/desktop/continue_store.h"
#include "platform/desktop/hiscore_store.h"
#include "platform/desktop/recording_folder.h"
#include "platform/headless/headless_platform.h"
#include "platform/midi_file.h"
#include "shell/recordings.h"
#include "stage/stage_files.h"
#include "stage/stage_pack.h"
#include "support/error_of.h"
#include "support/scratch_folder.h"

namespace kolvar {
namespace {

namespace fs = std::filesystem;
using testing::ErrorOf;
using testing::ScratchFolder;
using Lines = std::vector<std::string>;

// Key names for the settings without the window's: any name is a key.
KeyNames AnyKeyNames() {
  return {[](const std::string& name) -> std::optional<KeyCode> {
            return static_cast<KeyCode>(name.size());
          },
          [](KeyCode) -> std::string { return "?"; }};
}

// A kind of file: its place in a scratch folder, its cap, and what the
// game says when it reads the file at `path` (every line).
struct Kind {
  const char* place;
  size_t cap;
  std::function<Lines(const fs::path& path)> read;
  const char* fifo_says;
  const char* too_large_says;
};

const Kind kKinds[] = {
    {"kolvar.conf", kMostSettingsBytes,
     [](const fs::path& path) { return LoadSettings(path.string(), AnyKeyNames()).problems; },
     ": is a FIFO, not a file, so it holds no settings; playing with the default settings",
     ": cannot read the settings"},
    {"hiscore", kMostHiScoreBytes,
     [](const fs::path& path) {
       Lines said;
       HiScoreStore(path.string(), [&](const std::string& line) { said.push_back(line); }).Load();
       return said;
     },
     ": is a FIFO, not a file; the hi-score is not kept", ": cannot read the hi-score"},
    {"continue", kMostContinueBytes,
     [](const fs::path& path) {
       Lines said;
       ContinueStore(path.string(), [&](const std::string& line) { said.push_back(line); }).Load();
       return said;
     },
     ": is a FIFO, not a file; Continue starts stage 1", ": not a Continue file"},
    {"replays/hiscore-game", kMostHiScoreMarkBytes,
     [](const fs::path& path) {
       const NewRecording made = StartRecording(path.parent_path().string(), 1700000000);
       if (made.file) std::fclose(made.file);
       return made.notice.empty() ? Lines{} : Lines{made.notice};
     },
     ": is a FIFO, not a file, so it names no hi-score game",
     ": is larger than 4096 bytes, so it names no hi-score game"},
    {"game.in", kMaxInputScriptBytes,
     [](const fs::path& path) {
       return Lines{ErrorOf<std::invalid_argument>([&] { ReadInputScript(path.string()); })};
     },
     ": cannot read the input script: a FIFO, not a file",
     ": cannot read the input script: larger than"},
    {"game.kvr", kMaxRecordingBytes,
     [](const fs::path& path) {
       return Lines{ErrorOf<std::runtime_error>([&] { OpenRecording(path.string(), {}); })};
     },
     ": cannot read the recording: a FIFO, not a file", ": larger than 268435456 bytes"},
    {"DATA/Stage01.MAP", kStageFileBytes,
     [](const fs::path& path) {
       return Lines{ErrorOf<FatalError>([&] { ReadStageFile(path.string()); })};
     },
     ": stage file is a FIFO, not a file", ": stage file is longer than 1024 bytes"},
    {"pack/stage01.txt", kMostPackSourceBytes,
     [](const fs::path& path) {
       std::ofstream(path.parent_path() / "pack.txt") << "name: P\nauthor: A\n";
       return ReadStagePack(path.parent_path().string()).faults;
     },
     ": error: is a FIFO, not a file", ": error: is 1048577 bytes long"},
    {"MIDI/title.mid", kMaxMidiFileBytes,
     [](const fs::path& path) { return Lines{ReadMidiFile(path.string()).error}; },
     ": a FIFO, not a file", ": larger than 1048576 bytes"},
};

// What `kind` says of the thing at `path`, with a test failure instead of a
// hang when the read waits: the FIFO is then given a writer, which lets
// the read go on.
Lines ReadAtOnce(const Kind& kind, const fs::path& path) {
  auto reading = std::async(std::launch::async, [&] { return kind.read(path); });
  if (reading.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
    ADD_FAILURE() << path << ": the read waits on the FIFO";
    const int writer = open(path.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) close(writer);
  }
  return reading.get();
}

TEST(EveryFileTheGameReads, AFifoIsRefusedAtOnceInOneLine) {
  for (const Kind& kind : kKinds) {
    ScratchFolder folder("kolvar-reads");
    const fs::path path = folder / kind.place;
    fs::create_directories(path.parent_path());
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0) << path;
    EXPECT_EQ(ReadAtOnce(kind, path), Lines{path.string() + kind.fifo_says}) << kind.place;
  }
}

// The bytes this process has read so far (read and pread calls, whatever
// the file).
unsigned long long BytesRead() {
  std::ifstream io("/proc/self/io");
  std::string name;
  unsigned long long value = 0;
  while (io >> name >> value) {
    if (name == "rchar:") return value;
  }
  return 0;
}

TEST(EveryFileTheGameReads, AFileOverItsCapIsRefusedInOneLine) {
  // A large file is refused from its size alone, not read up to its cap
  // first: of a file of a megabyte or more, less than this is read (the
  // small files around it, such as the pack's pack.txt).
  constexpr unsigned long long kSmallFilesRead = 64 * 1024;
  for (const Kind& kind : kKinds) {
    ScratchFolder folder("kolvar-reads");
    // A sparse file: its size says it is too large before a byte is read.
    const fs::path path = folder.Write(kind.place, "");
    fs::resize_file(path, kind.cap + 1);
    const unsigned long long before = BytesRead();
    const Lines said = ReadAtOnce(kind, path);
    if (kind.cap >= kSmallFilesRead * 16) {
      EXPECT_LT(BytesRead() - before, kSmallFilesRead) << kind.place;
    }
    ASSERT_EQ(said.size(), 1u) << kind.place;
    EXPECT_EQ(said[0].rfind(path.string() + kind.too_large_says, 0), 0u) << said[0];
  }
}

}  // namespace
}  // namespace kolvar
