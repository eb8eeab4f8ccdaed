#include "platform/desktop/hiscore_store.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/scratch_folder.h"

namespace kolvar {
namespace {

namespace fs = std::filesystem;

struct HiScoreTest : ::testing::Test {
  HiScoreTest() {
    fs::remove_all(dir);
    fs::create_directories(dir / "kolvar");
  }
  HiScoreStore Store(const std::string& file) {
    return HiScoreStore(file, [this](const std::string& m) { reports.push_back(m); });
  }
  void Write(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir / "kolvar")) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  const testing::ScratchFolder scratch{"kolvar_hiscore"};
  const fs::path dir = scratch / "data";
  const std::string path = (dir / "kolvar" / "hiscore").string();
  std::vector<std::string> reports;
};

TEST_F(HiScoreTest, FirstRunReadsZeroAndASavedScoreComesBack) {
  fs::remove_all(dir);
  EXPECT_EQ(Store(path).Load(), 0);
  const mode_t umask_before = umask(022);
  Store(path).Save(12345);
  umask(umask_before);
  // A new file is made as any program makes one: 0666 less the umask.
  EXPECT_EQ(fs::status(path).permissions(), fs::perms(0644));
  EXPECT_EQ(Store(path).Load(), 12345);
  Store(path).Save(2147483647);
  EXPECT_EQ(Store(path).Load(), 2147483647);
  EXPECT_TRUE(reports.empty());
  // The file and the lock the saves take turns with; no temporary is left.
  EXPECT_EQ(Names(), (std::vector<std::string>{"hiscore", "hiscore.lock"}));
}

TEST_F(HiScoreTest, HandEditedFormsAreRead) {
  const struct {
    const char* text;
    int32_t value;
  } forms[] = {
      {"kolvar hiscore\n30000\n", 30000},
      {"kolvar hiscore\r\n30000\r\n", 30000},
      {"kolvar hiscore\n30000", 30000},
      {"kolvar hiscore\n30000 \n", 30000},
      {"kolvar hiscore\n+30000\n", 30000},
      {"30000\n", 30000},
      {"30000", 30000},
      {"  30000\t\n\n", 30000},
      {"kolvar  hiscore \n 030000\n", 30000},
      {"\xEF\xBB\xBFkolvar hiscore\n7\n", 7},
      {"kolvar hiscore\n0\n", 0},
      {"kolvar hiscore\n2147483647\n", 2147483647},
  };
  for (const auto& form : forms) {
    Write(form.text);
    reports.clear();
    EXPECT_EQ(Store(path).Load(), form.value) << form.text;
    EXPECT_TRUE(reports.empty()) << form.text << ": " << reports.front();
  }
}

TEST_F(HiScoreTest, AnUnreadableFileIsKeptAsBadBeforeTheNextSave) {
  const char* unreadable[] = {"kolvar hiscore\n",
                              "kolvar hiscore\n12a45\n",
                              "kolvar hiscore\n-5\n",
                              "kolvar hiscore\n2147483648\n",
                              "kolvar hiscore\n99999999999999999999\n",
                              "kolvar hiscore\n1 2\n",
                              "\x89PNG\r\n\x1a\n"};
  for (const char* text : unreadable) {
    fs::remove_all(dir / "kolvar");
    fs::create_directories(dir / "kolvar");
    Write(text);
    reports.clear();
    HiScoreStore store = Store(path);
    EXPECT_EQ(store.Load(), 0) << text;
    ASSERT_EQ(reports.size(), 1u) << text;
    EXPECT_EQ(reports[0], path + ": not a hi-score file; starting from 0 (it is kept as " + path +
                              ".bad at the next hi-score)");
    store.Save(500);
    EXPECT_EQ(ReadWholeFile(path + ".bad"), text);
    EXPECT_EQ(ReadWholeFile(path), HiScoreText(500));
    ASSERT_EQ(reports.size(), 2u) << text;
    EXPECT_EQ(reports[1], path + ": could not be read as a hi-score; kept as " + path + ".bad");
  }
  // A second unreadable file does not replace the first one kept.
  Write("junk");
  Store(path).Save(600);
  EXPECT_EQ(ReadWholeFile(path + ".bad.2"), "junk");
  EXPECT_EQ(ReadWholeFile(path), HiScoreText(600));

  // An empty file holds nothing to keep.
  Write("");
  reports.clear();
  HiScoreStore store = Store(path);
  EXPECT_EQ(store.Load(), 0);
  store.Save(700);
  EXPECT_EQ(reports,
            std::vector<std::string>{path + ": the hi-score file is empty; starting from 0"});
  EXPECT_EQ(ReadWholeFile(path), HiScoreText(700));
  EXPECT_FALSE(fs::exists(path + ".bad.3"));
}

TEST_F(HiScoreTest, ASaveNeverLowersTheScoreAnotherGameKept) {
  Write(HiScoreText(1000));
  HiScoreStore first = Store(path);
  EXPECT_EQ(first.Load(), 1000);
  Store(path).Save(21789);  // a second game, started later, scores higher
  first.Save(5508);
  EXPECT_EQ(ReadWholeFile(path), HiScoreText(21789));
  first.Save(30000);
  EXPECT_EQ(ReadWholeFile(path), HiScoreText(30000));
  EXPECT_TRUE(reports.empty());
}

// Two processes save at once, each its own rising scores, one the odd and
// one the even numbers: whatever the interleaving, the file ends at the
// highest, and it is never torn.
TEST_F(HiScoreTest, TwoProcessesSavingAtOnceKeepTheHighest) {
  constexpr int kSaves = 100;
  const auto run = [&](int parity) {
    HiScoreStore store(path, [](const std::string&) { _exit(3); });
    store.Load();
    for (int i = 0; i < kSaves; ++i) store.Save(2 * i + parity);
  };
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    run(1);
    _exit(0);
  }
  run(0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(ReadWholeFile(path), HiScoreText(2 * kSaves - 1));

  // The probe's case: a game stopped between its start and its save while
  // a second game raises the file; the first then saves its lower score.
  int loaded[2], go[2];
  ASSERT_EQ(pipe(loaded), 0);
  ASSERT_EQ(pipe(go), 0);
  Write(HiScoreText(100));
  const pid_t stopped = fork();
  ASSERT_GE(stopped, 0);
  if (stopped == 0) {
    HiScoreStore store(path, [](const std::string&) {});
    const char value = store.Load() == 100 ? 'y' : 'n';
    char byte;
    if (write(loaded[1], &value, 1) != 1 || read(go[0], &byte, 1) != 1) _exit(4);
    store.Save(5508);
    _exit(0);
  }
  char value = 0;
  ASSERT_EQ(read(loaded[0], &value, 1), 1);
  EXPECT_EQ(value, 'y');
  Store(path).Save(21789);
  ASSERT_EQ(write(go[1], "g", 1), 1);
  ASSERT_EQ(waitpid(stopped, &status, 0), stopped);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(ReadWholeFile(path), HiScoreText(21789));
  for (int fd : {loaded[0], loaded[1], go[0], go[1]}) close(fd);
}

// A process that holds the hi-score's lock, as a game stopped during a
// save does, until Release(); Held() returns once it has it.
struct LockHolder {
  explicit LockHolder(const std::string& lock_path) {
    if (pipe(held) != 0 || pipe(done) != 0) return;
    pid = fork();
    if (pid != 0) return;
    const int fd = open(lock_path.c_str(), O_RDWR | O_CREAT, 0644);
    char byte;
    if (fd < 0 || flock(fd, LOCK_EX) != 0 || write(held[1], "h", 1) != 1 ||
        read(done[0], &byte, 1) != 1) {
      _exit(4);
    }
    _exit(0);
  }
  bool Held() {
    char byte = 0;
    return pid > 0 && read(held[0], &byte, 1) == 1;
  }
  bool Release() {
    int status = 0;
    return write(done[1], "d", 1) == 1 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
  }
  ~LockHolder() {
    for (int fd : {held[0], held[1], done[0], done[1]}) close(fd);
  }
  pid_t pid = -1;
  int held[2] = {-1, -1}, done[2] = {-1, -1};
};

// A game stopped while it holds the lock (SIGSTOP, Ctrl+Z during a save)
// holds up another game's save for a second, once, and is reported once.
// Nothing is written without the lock: later saves only try it, and the
// highest score held back is written by the first save that gets it, or
// when the store closes.
TEST_F(HiScoreTest, ALockHeldByAStoppedGameHoldsASaveUpOnce) {
  LockHolder holder(path + ".lock");
  ASSERT_TRUE(holder.Held());
  HiScoreStore store = Store(path);
  const auto start = std::chrono::steady_clock::now();
  store.Save(500);
  const auto first = std::chrono::steady_clock::now() - start;
  store.Save(600);
  EXPECT_LT(std::chrono::steady_clock::now() - start, first + std::chrono::milliseconds(500));
  EXPECT_GE(first, std::chrono::milliseconds(1000));
  EXPECT_FALSE(fs::exists(path));
  ASSERT_TRUE(holder.Release());
  store.Save(550);
  EXPECT_EQ(ReadWholeFile(path), HiScoreText(600));
  EXPECT_EQ(reports, std::vector<std::string>{path + ".lock: another game held it for 1000 ms; "
                                                     "the hi-score is written at the next save "
                                                     "that gets the lock"});

  // Held back at the last rise of a run: written as the store closes.
  LockHolder again(path + ".lock");
  ASSERT_TRUE(again.Held());
  {
    HiScoreStore last = Store(path);
    last.Save(700);
    ASSERT_TRUE(again.Release());
  }
  EXPECT_EQ(ReadWholeFile(path), HiScoreText(700));
}

// The probe's case: the lock held for two seconds while two games save
// their rising scores as fast as they can, and every reader of the file
// (the two games and a third) watches it. Nothing is written while the
// lock is held, and the score never goes down.
TEST_F(HiScoreTest, TwoGamesSavingWhileTheLockIsHeldNeverLowerTheScore) {
  using Clock = std::chrono::steady_clock;
  constexpr auto kHeld = std::chrono::milliseconds(2000);
  constexpr auto kSaving = std::chrono::milliseconds(2600);
  const auto kept = [&] {
    const std::optional<int32_t> value = ParseHiScore(ReadWholeFile(path));
    return value ? *value : -1;
  };
  // Counts the times the kept score went down, until `until`.
  const auto watch = [&](Clock::time_point until, const std::function<void()>& between) {
    int decreases = 0, last = -1;
    while (Clock::now() < until) {
      between();
      const int now = kept();
      if (now < last) ++decreases;
      last = std::max(last, now);
    }
    return decreases;
  };
  LockHolder holder(path + ".lock");
  ASSERT_TRUE(holder.Held());
  const auto start = Clock::now();
  pid_t games[2];
  for (int parity : {0, 1}) {
    games[parity] = fork();
    ASSERT_GE(games[parity], 0);
    if (games[parity] == 0) {
      HiScoreStore store(path, [](const std::string&) {});
      int value = parity;
      const int decreases = watch(start + kSaving, [&] { store.Save(value += 2); });
      _exit(std::min(decreases, 100));
    }
  }
  int decreases = watch(start + kHeld, [] {});
  // Nothing was written without the lock.
  EXPECT_EQ(kept(), -1);
  ASSERT_TRUE(holder.Release());
  decreases += watch(start + kSaving, [] {});
  for (pid_t game : games) {
    int status = 0;
    ASSERT_EQ(waitpid(game, &status, 0), game);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    decreases += WEXITSTATUS(status);
  }
  EXPECT_EQ(decreases, 0);
  EXPECT_GT(kept(), 0);
}

TEST_F(HiScoreTest, ALinkedFileIsWrittenThroughWithItsMode) {
  const fs::path target = dir / "kept" / "score.txt";
  fs::create_directories(target.parent_path());
  std::ofstream(target) << HiScoreText(10);
  fs::permissions(target, fs::perms(0644));
  fs::create_symlink("../kept/score.txt", path);
  HiScoreStore store = Store(path);
  EXPECT_EQ(store.Load(), 10);
  store.Save(20);
  EXPECT_TRUE(fs::is_symlink(path));
  EXPECT_EQ(ReadWholeFile(target), HiScoreText(20));
  EXPECT_EQ(fs::status(target).permissions(), fs::perms(0644));
  EXPECT_TRUE(reports.empty());
}

TEST_F(HiScoreTest, StaleTemporariesOfAKilledSaveAreRemovedAtStart) {
  Write(HiScoreText(42));
  const fs::path folder = dir / "kolvar";
  // What saves killed at each step leave: nothing written yet, part of the
  // text, all of it; named as this version and as the last one named them.
  std::ofstream(folder / "hiscore.a1B2c3.tmp");
  std::ofstream(folder / "hiscore.Zz9Yy8.tmp") << "kolvar hi";
  std::ofstream(folder / "hiscore.XYZ123") << "kolvar hiscore\n4";
  std::ofstream(folder / "hiscore.Q1w2E3") << HiScoreText(41);
  // Older versions' temporaries are known by mkstemp's mode as well.
  fs::permissions(folder / "hiscore.XYZ123", fs::perms(0600));
  fs::permissions(folder / "hiscore.Q1w2E3", fs::perms(0600));
  std::ofstream(folder / "hiscore.Mine12") << HiScoreText(8);
  // Files that are not the game's stay.
  std::ofstream(folder / "hiscore.backup") << "my notes\n";
  std::ofstream(folder / "hiscore.old") << HiScoreText(7);
  std::ofstream(folder / "other.a1B2c3.tmp");
  EXPECT_EQ(Store(path).Load(), 42);
  EXPECT_EQ(Names(), (std::vector<std::string>{"hiscore", "hiscore.Mine12", "hiscore.backup",
                                               "hiscore.lock", "hiscore.old", "other.a1B2c3.tmp"}));
}

TEST_F(HiScoreTest, WhatIsNoFileIsRefusedAtOnceAndLeftAlone) {
  ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
  const auto start = std::chrono::steady_clock::now();
  HiScoreStore store = Store(path);
  EXPECT_EQ(store.Load(), 0);
  store.Save(900);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  EXPECT_EQ(reports,
            std::vector<std::string>{path + ": is a FIFO, not a file; the hi-score is not kept"});
  EXPECT_TRUE(fs::is_fifo(path));

  // A directory where the file should be.
  fs::remove(path);
  fs::create_directories(path);
  reports.clear();
  EXPECT_EQ(Store(path).Load(), 0);
  EXPECT_EQ(reports, std::vector<std::string>{
                         path + ": is a directory, not a file; the hi-score is not kept"});
}

TEST_F(HiScoreTest, AFolderThatCannotBeMadeIsReportedOnceAndPlayGoesOn) {
  // A plain file where the folder should be stops even root from writing.
  std::ofstream(dir / "blocker") << "x";
  HiScoreStore store = Store((dir / "blocker" / "hiscore").string());
  store.Save(100);
  store.Save(200);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0],
            (dir / "blocker").string() +
                ": cannot create the folder: Not a directory; the hi-score is not kept");
  EXPECT_EQ(store.Load(), 0);
}

TEST_F(HiScoreTest, NoPathKeepsNothing) {
  HiScoreStore store = Store("");
  store.Save(500);
  EXPECT_EQ(store.Load(), 0);
  EXPECT_TRUE(reports.empty());
}

}  // namespace
}  // namespace kolvar
