// A game played in the real window (SDL's dummy video driver, keys as
// pushed SDL events, the music synthesized), recorded, then replayed by the
// headless runner: the two traces are the same, line for line.
//
// The keys come from a replay script. Its times are headless times, and the
// window's frames do not fall on the same milliseconds, so each key is
// pushed where the headless game first saw it instead: just before the
// same poll of that key, counted from the last piece of music opened (the
// title, a stage's start, the clear screen). The window's poll takes the
// key events queued since its last look, so the window game sees every key
// change at the same poll as the headless game, however long its frames
// take, and walks the path the script was written for. (Counting pictures
// would not do: how many the stage-clear count shows depends on the time
// left, and a late frame moves a key pushed by the clock to the next one.)
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/fatal_error.h"
#include "core/game.h"
#include "core/trace.h"
#include "flow/outer_loop.h"
#include "platform/headless/headless_platform.h"
#include "platform/recording_platform.h"
#include "platform/replay_platform.h"
#include "platform/sdl/sdl_platform.h"
#include "support/files.h"
#include "support/scratch_folder.h"
#include "support/test_game.h"

namespace kolvar {
namespace {

namespace fs = std::filesystem;

// A place in the game: the pieces of music opened so far, and the polls made
// since the last one opened, of one key (`key` set) or of any key.
struct Place {
  size_t music = 0;
  size_t polls = 0;
  std::optional<Key> key;
};

// Passes everything to the platform below; counts the polls since each
// piece of music opened, and lets `due` act before each question the game
// asks (with the key when it is a poll).
class Watcher : public Platform, MusicDevice {
 public:
  using Due = std::function<void(Watcher&, std::optional<Key>)>;
  Watcher(Platform& inner, Due due) : inner_(inner), due_(std::move(due)) {}
  uint32_t Clock() override { return inner_.Clock(); }
  uint16_t PollKey(Key key) override {
    due_(*this, key);
    const uint16_t answer = inner_.PollKey(key);
    ++key_polls_[static_cast<size_t>(key)];
    ++polls_;
    return answer;
  }
  bool PumpEvents() override {
    due_(*this, std::nullopt);
    return inner_.PumpEvents();
  }
  void Idle(uint32_t ms) override { inner_.Idle(ms); }
  void Show(PixelView picture) override { inner_.Show(picture); }
  MusicDevice& Music() override { return *this; }

  void Close() override { inner_.Music().Close(); }
  bool Open(const std::string& name) override {
    ++music_;
    polls_ = 0;
    key_polls_.fill(0);
    return inner_.Music().Open(name);
  }
  void Play() override { inner_.Music().Play(); }
  void Stop() override { inner_.Music().Stop(); }
  void SeekToStart() override { inner_.Music().SeekToStart(); }
  bool IsStopped() override { return inner_.Music().IsStopped(); }

  // Where the game is now, counting the polls of `key` or of all keys.
  Place Now(std::optional<Key> key) const {
    return {music_, key ? key_polls_[static_cast<size_t>(*key)] : polls_, key};
  }
  // Whether the game has reached `place`: a later piece of music, or as
  // many polls as the place counts.
  bool Reached(const Place& place) const {
    const Place now = Now(place.key);
    return now.music > place.music || (now.music == place.music && now.polls >= place.polls);
  }

 private:
  Platform& inner_;
  Due due_;
  size_t music_ = 0, polls_ = 0;
  std::array<size_t, kKeyCount> key_polls_{};
};

std::vector<ScriptLine> ScriptUpTo(const std::string& name, uint32_t close_at) {
  std::vector<ScriptLine> script = ReadInputScript(std::string(KOLVAR_REPLAYS_DIR) + "/" + name);
  std::erase_if(script, [&](const ScriptLine& line) {
    return line.ms >= close_at || line.action == ScriptLine::Action::kClose;
  });
  return script;
}

// What to push when the window game reaches `place`: a key, the pause key
// or the close request.
struct Push {
  enum class What { kKey, kPause, kClose };
  Place place;
  What what = What::kKey;
  SDL_Event event{};
};

SDL_Event KeyEvent(Key key, bool down) {
  // Each key its own scancode: the window tells a key's sources apart by
  // scancode, so a release must not let go of another key.
  static const SDL_Keycode kCodes[] = {SDLK_UP,   SDLK_RIGHT,  SDLK_DOWN,
                                       SDLK_LEFT, SDLK_ESCAPE, SDLK_z};
  static const SDL_Scancode kScancodes[] = {SDL_SCANCODE_UP,     SDL_SCANCODE_RIGHT,
                                            SDL_SCANCODE_DOWN,   SDL_SCANCODE_LEFT,
                                            SDL_SCANCODE_ESCAPE, SDL_SCANCODE_Z};
  SDL_Event event{};
  event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.key.keysym.sym = kCodes[static_cast<int>(key)];
  event.key.keysym.scancode = kScancodes[static_cast<int>(key)];
  return event;
}

// Where the headless game first saw each script line (the first poll of its
// key at or after its time), and where it made its first poll at or after
// `pause_at` and `close_at`.
std::vector<Push> PlaceInGame(const std::vector<ScriptLine>& script, uint32_t pause_at,
                              uint32_t close_at) {
  struct Poll {
    Key key;
    uint32_t clock;
    Place of_key, of_any;
  };
  std::vector<Poll> polls;
  HeadlessOptions options;
  options.music_folder = "MIDI";
  options.script = script;
  options.quit_at = close_at;
  HeadlessPlatform headless(options);
  Watcher watcher(headless, [&](Watcher& w, std::optional<Key> key) {
    if (key) polls.push_back({*key, headless.Clock(), w.Now(key), w.Now(std::nullopt)});
  });
  const testing::ScratchFolder scratch("kolvar_placing");
  const fs::path trace = scratch / "trace.jsonl";
  testing::PlayTraced(watcher, trace);
  fs::remove(trace);

  auto first_poll = [&](uint32_t ms, std::optional<Key> key) {
    return std::find_if(polls.begin(), polls.end(), [&](const Poll& poll) {
      return poll.clock >= ms && (!key || poll.key == *key);
    });
  };
  std::vector<Push> pushes;
  for (const ScriptLine& line : script) {
    const auto seen = first_poll(line.ms, line.key);
    if (seen == polls.end()) continue;  // never looked at again
    pushes.push_back({seen->of_key, Push::What::kKey,
                      KeyEvent(line.key, line.action == ScriptLine::Action::kDown)});
  }
  const auto pause = first_poll(pause_at, std::nullopt);
  const auto close = first_poll(close_at, std::nullopt);
  EXPECT_NE(pause, polls.end());
  if (pause != polls.end()) pushes.push_back({pause->of_any, Push::What::kPause});
  // A game that stopped polling before `close_at` is closed after its last
  // poll.
  Place last = polls.back().of_any;
  ++last.polls;
  pushes.push_back({close != polls.end() ? close->of_any : last, Push::What::kClose});
  return pushes;
}

SDL_Event PauseKey(bool down) {
  SDL_Event event{};
  event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  event.key.keysym.sym = SDLK_p;
  event.key.keysym.scancode = SDL_SCANCODE_P;
  return event;
}

struct WindowGame {
  std::string script;
  uint32_t close_at;
  uint32_t pause_at;
  std::vector<std::string> events;  // trace events the game must hold
};

void PrintTo(const WindowGame& game, std::ostream* out) {
  *out << game.script << " up to " << game.close_at << " ms";
}

constexpr uint32_t kPausedMs = 700;

class RecordedWindowGame : public ::testing::TestWithParam<WindowGame> {};

TEST_P(RecordedWindowGame, ReplaysHeadlessToTheSameTrace) {
  const WindowGame& param = GetParam();
  const testing::ScratchFolder scratch("kolvar_recorded");
  const fs::path dir = scratch / "replays";
  fs::create_directories(dir);
  std::vector<Push> pushes =
      PlaceInGame(ScriptUpTo(param.script, param.close_at), param.pause_at, param.close_at);
  // In the order of the music, keeping each key's pushes in order.
  std::stable_sort(pushes.begin(), pushes.end(),
                   [](const Push& a, const Push& b) { return a.place.music < b.place.music; });

  std::string live;
  uint32_t game_ms = 0;
  double wall_ms = 0;
  {
    WindowOptions options;
    options.music_folder = "MIDI";
    options.scale = 1;
    options.settings_file = (dir / "kolvar.conf").string();
    options.hiscore_file = (dir / "hiscore").string();
    std::unique_ptr<Platform> window = CreateSdlPlatform(options);
    std::vector<bool> pushed(pushes.size());
    size_t first_left = 0;
    std::thread resume;
    const auto wall_start = std::chrono::steady_clock::now();
    bool closed = false;
    std::string stuck;
    auto close_window = [] {
      SDL_Event quit{};
      quit.type = SDL_QUIT;
      SDL_PushEvent(&quit);
    };
    Watcher pusher(*window, [&](Watcher& w, std::optional<Key>) {
      // A game that went another way than the script may wait for a key
      // that is never pushed: it is closed, and the test fails.
      const auto wall = std::chrono::steady_clock::now() - wall_start;
      if (stuck.empty() && wall > std::chrono::milliseconds(param.close_at * 2 + 30000)) {
        stuck = "stuck after every push, the close among them";
        if (first_left < pushes.size()) {
          const Place& due = pushes[first_left].place;
          stuck = "stuck before push " + std::to_string(first_left) + " of " +
                  std::to_string(pushes.size()) + " (due after " + std::to_string(due.polls) +
                  " polls after music " + std::to_string(due.music) + ")";
        }
        close_window();
      }
      const size_t music = w.Now(std::nullopt).music;
      for (size_t i = first_left; i < pushes.size() && pushes[i].place.music <= music; ++i) {
        if (pushed[i] || !w.Reached(pushes[i].place)) continue;
        pushed[i] = true;
        switch (pushes[i].what) {
          case Push::What::kKey:
            SDL_PushEvent(&pushes[i].event);
            break;
          case Push::What::kClose:
            closed = true;
            close_window();
            break;
          case Push::What::kPause: {
            // The window waits inside its event processing while paused,
            // so the key that plays on comes from another thread.
            auto press_p = [] {
              SDL_Event down = PauseKey(true), up = PauseKey(false);
              SDL_PushEvent(&down);
              SDL_PushEvent(&up);
            };
            press_p();
            resume = std::thread([press_p] {
              std::this_thread::sleep_for(std::chrono::milliseconds(kPausedMs));
              press_p();
            });
            break;
          }
        }
      }
      while (first_left < pushes.size() && pushed[first_left]) ++first_left;
    });
    std::FILE* file = std::fopen((dir / "game.kvr").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    RecordingHeader header;
    header.program_version = "test";
    RecordingPlatform recorder(pusher, file, "game.kvr", header,
                               [](const std::string& error) { ADD_FAILURE() << error; });
    const uint32_t start = recorder.Clock();
    live = testing::PlayTraced(recorder, dir / "live.jsonl");
    wall_ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall_start)
            .count();
    game_ms = recorder.Clock() - start;
    EXPECT_EQ(recorder.Close(), "");
    if (resume.joinable()) resume.join();
    EXPECT_EQ(stuck, "");
    EXPECT_TRUE(closed);
  }
  // The pause took wall time the game's clock did not see.
  EXPECT_GT(wall_ms, game_ms + kPausedMs * 0.9);
  for (const std::string& event : param.events) {
    EXPECT_NE(live.find("\"event\":\"" + event + "\""), std::string::npos) << "no " << event;
  }

  const std::string bytes = ReadWholeFile(dir / "game.kvr");
  const testing::Replayed replay = testing::ReplayRecording(bytes, dir / "replayed.jsonl");
  ASSERT_EQ(replay.header_fault, "");
  EXPECT_EQ(replay.note, "");
  const std::string& replayed = replay.trace;
  EXPECT_TRUE(live == replayed) << "the replay's trace differs from the window game's; see " << dir;
  const size_t last_frame = replayed.rfind("\"score\":");
  std::printf(
      "window game: %zu trace lines, %u ms of game time, %.0f ms of wall time, a %zu-byte "
      "recording; replay's last score %s\n",
      static_cast<size_t>(std::count(live.begin(), live.end(), '\n')), game_ms, wall_ms,
      bytes.size(),
      last_frame == std::string::npos
          ? "none"
          : replayed.substr(last_frame + 8, replayed.find(',', last_frame) - last_frame - 8)
                .c_str());
  if (live == replayed && !HasFailure()) fs::remove_all(dir);
}

// Stage 1 with a scroll, the key, a pause, the exit; stage 2 up to a miss.
INSTANTIATE_TEST_SUITE_P(
    Window, RecordedWindowGame,
    ::testing::Values(WindowGame{
        "continue_after_game_over.in", 47000, 16500, {"scroll", "key", "exit", "clear", "miss"}}));

// The whole-game script through the window for its full length: all
// sixteen stages, about nine minutes of play, so run by hand
// (--gtest_also_run_disabled_tests --gtest_filter='DISABLED_LongGame*').
// The window's final score may differ from the headless run's (its stage
// clocks read the wall clock, so its time bonuses can be smaller); its
// replay's must not.
INSTANTIATE_TEST_SUITE_P(DISABLED_LongGame, RecordedWindowGame,
                         ::testing::Values(WindowGame{
                             "whole_game.in", 497500, 30000, {"key", "clear", "allclear"}}));

}  // namespace
}  // namespace kolvar
