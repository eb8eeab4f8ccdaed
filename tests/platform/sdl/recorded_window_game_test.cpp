// A game played in the real window (SDL's dummy video driver, keys as
// pushed SDL events, the music synthesized), recorded, then replayed by the
// headless runner: the two traces are the same, line for line.
//
// The keys come from a replay script. Its times are headless times, and the
// window's frames do not fall on the same milliseconds, so each key is
// pushed at the same place in the game instead: after the same picture,
// counted from the last piece of music opened (the title, a stage's start,
// the clear screen), and as long after it as in the headless run. (Pictures
// counted from the start would not do: how many the stage-clear count shows
// depends on the time left.) The window game then walks the path the
// script was written for.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/fatal_error.h"
#include "core/game.h"
#include "core/trace.h"
#include "platform/headless/headless_platform.h"
#include "platform/recording_platform.h"
#include "platform/replay_platform.h"
#include "platform/sdl/sdl_platform.h"
#include "shell/outer_loop.h"

namespace kolvar {
namespace {

namespace fs = std::filesystem;

// A place in the game: the pieces of music opened so far and the pictures
// shown since the last, with the clock there.
struct Place {
  size_t music = 0;
  size_t shows = 0;
  uint32_t clock = 0;
  bool operator<(const Place& other) const {
    return music != other.music ? music < other.music : shows < other.shows;
  }
};

// Passes everything to the platform below; notes each place the game
// reaches and lets `due` act before each question the game asks.
class Watcher : public Platform, MusicDevice {
 public:
  Watcher(Platform& inner, std::function<void(Watcher&)> due) : inner_(inner), due_(due) {}
  uint32_t Clock() override { return inner_.Clock(); }
  uint16_t PollKey(Key key) override {
    due_(*this);
    return inner_.PollKey(key);
  }
  bool PumpEvents() override {
    due_(*this);
    return inner_.PumpEvents();
  }
  void Idle(uint32_t ms) override { inner_.Idle(ms); }
  void Show(PixelView picture) override {
    inner_.Show(picture);
    places.push_back({music_, ++shows_, inner_.Clock()});
  }
  MusicDevice& Music() override { return *this; }

  void Close() override { inner_.Music().Close(); }
  bool Open(const std::string& name) override {
    shows_ = 0;
    places.push_back({++music_, 0, inner_.Clock()});
    return inner_.Music().Open(name);
  }
  void Play() override { inner_.Music().Play(); }
  void Stop() override { inner_.Music().Stop(); }
  void SeekToStart() override { inner_.Music().SeekToStart(); }
  bool IsStopped() override { return inner_.Music().IsStopped(); }

  std::vector<Place> places;

 private:
  size_t music_ = 0, shows_ = 0;
  Platform& inner_;
  std::function<void(Watcher&)> due_;
};

// Runs the title/game loop until the window is closed; returns the trace.
std::string PlayTraced(Platform& platform, const fs::path& trace_path) {
  std::FILE* file = std::fopen(trace_path.c_str(), "w");
  EXPECT_NE(file, nullptr);
  {
    Trace trace(file);
    Game game(platform, ".");
    game.trace = &trace;
    try {
      RunProgram(game);
    } catch (const CloseRequested&) {
      trace.Finish();
    }
  }
  std::fclose(file);
  std::ifstream in(trace_path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<ScriptLine> ScriptUpTo(const std::string& name, uint32_t close_at) {
  std::vector<ScriptLine> script = ReadInputScript(std::string(KOLVAR_REPLAYS_DIR) + "/" + name);
  std::erase_if(script, [&](const ScriptLine& line) {
    return line.ms >= close_at || line.action == ScriptLine::Action::kClose;
  });
  return script;
}

// A key (or the close request, or the pause key) to push `after` ms after
// the game reached `place`.
struct Push {
  Place place;
  uint32_t after = 0;
  SDL_Event event{};
  bool pause = false;
};

SDL_Event KeyEvent(Key key, bool down) {
  static const SDL_Keycode kCodes[] = {SDLK_UP,   SDLK_RIGHT,  SDLK_DOWN,
                                       SDLK_LEFT, SDLK_ESCAPE, SDLK_z};
  SDL_Event event{};
  event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.key.keysym.sym = kCodes[static_cast<int>(key)];
  event.key.keysym.scancode = SDL_GetScancodeFromKey(event.key.keysym.sym);
  return event;
}

// Where each script line falls among the headless run's places.
std::vector<Push> PlaceInGame(const std::vector<ScriptLine>& script, uint32_t pause_at,
                              uint32_t close_at) {
  HeadlessOptions options;
  options.music_folder = "MIDI";
  options.script = script;
  options.quit_at = close_at;
  HeadlessPlatform headless(options);
  Watcher watcher(headless, [](Watcher&) {});
  const fs::path trace = fs::temp_directory_path() / ("kolvar_placing_" + std::to_string(getpid()));
  PlayTraced(watcher, trace);
  fs::remove(trace);
  const std::vector<Place>& places = watcher.places;
  auto place = [&](uint32_t ms) {
    // The last place reached before `ms`.
    const auto after = std::lower_bound(places.begin(), places.end(), ms,
                                        [](const Place& p, uint32_t t) { return p.clock < t; });
    Push push;
    if (after != places.begin()) push.place = *(after - 1);
    push.after = ms - push.place.clock;
    return push;
  };
  std::vector<Push> pushes;
  for (const ScriptLine& line : script) {
    Push push = place(line.ms);
    push.event = KeyEvent(line.key, line.action == ScriptLine::Action::kDown);
    pushes.push_back(push);
  }
  Push pause = place(pause_at);
  pause.pause = true;
  pushes.push_back(pause);
  std::stable_sort(pushes.begin(), pushes.end(), [](const Push& a, const Push& b) {
    return a.place < b.place || (!(b.place < a.place) && a.after < b.after);
  });
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
  const fs::path dir = fs::temp_directory_path() / ("kolvar_recorded_" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::vector<Push> pushes =
      PlaceInGame(ScriptUpTo(param.script, param.close_at), param.pause_at, param.close_at);

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
    size_t next = 0;
    std::thread resume;
    const auto wall_start = std::chrono::steady_clock::now();
    const uint32_t game_start = window->Clock();
    bool closed = false;
    std::string stuck;
    Watcher pusher(*window, [&](Watcher& w) {
      // The window is closed at the game's time `close_at`, wherever the
      // game is by then.
      if (!closed && w.Clock() - game_start >= param.close_at) {
        closed = true;
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
      }
      // A game that went another way than the script may wait for a key
      // that is never pushed: it is closed, and the test fails.
      const auto wall = std::chrono::steady_clock::now() - wall_start;
      if (stuck.empty() && wall > std::chrono::milliseconds(param.close_at * 2 + 30000)) {
        stuck = "stuck before push " + std::to_string(next) + " of " +
                std::to_string(pushes.size()) + " (due after " +
                std::to_string(next < pushes.size() ? pushes[next].place.shows : 0) +
                " pictures after music " +
                std::to_string(next < pushes.size() ? pushes[next].place.music : 0) + ")";
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
      }
      while (next < pushes.size()) {
        const Push& push = pushes[next];
        // Due `after` ms after the window game reached the push's place;
        // at once if it went past that place without stopping there.
        const auto reached = std::lower_bound(w.places.begin(), w.places.end(), push.place);
        if (reached == w.places.end()) break;
        const bool there = !(push.place < *reached);
        if (there && w.Clock() - reached->clock < push.after) break;
        ++next;
        if (!push.pause) {
          SDL_Event event = push.event;
          SDL_PushEvent(&event);
          continue;
        }
        // The window waits inside its event processing while paused, so
        // the key that plays on comes from another thread.
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
      }
    });
    std::FILE* file = std::fopen((dir / "game.kvr").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    RecordingHeader header;
    header.program_version = "test";
    RecordingPlatform recorder(pusher, file, "game.kvr", header,
                               [](const std::string& error) { ADD_FAILURE() << error; });
    const uint32_t start = recorder.Clock();
    live = PlayTraced(recorder, dir / "live.jsonl");
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

  std::ifstream in(dir / "game.kvr", std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  RecordingReader reader(bytes.str());
  RecordingHeader header;
  ASSERT_FALSE(reader.ReadHeader(header));
  ReplayPlatform* replay = nullptr;
  HeadlessOptions options;
  options.music_folder = "MIDI";
  options.clock = [&replay] { return replay->Clock(); };
  HeadlessPlatform headless(options);
  ReplayOptions replay_options;
  replay_options.name = "game.kvr";
  ReplayPlatform replaying(headless, std::move(reader), header, replay_options);
  replay = &replaying;
  const std::string replayed = PlayTraced(replaying, dir / "replayed.jsonl");
  EXPECT_EQ(replaying.EndNote(), "");
  EXPECT_TRUE(live == replayed) << "the replay's trace differs from the window game's; see " << dir;
  const size_t last_frame = replayed.rfind("\"score\":");
  std::printf(
      "window game: %zu trace lines, %u ms of game time, %.0f ms of wall time, a %zu-byte "
      "recording; replay's last score %s\n",
      static_cast<size_t>(std::count(live.begin(), live.end(), '\n')), game_ms, wall_ms,
      bytes.str().size(),
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

// The whole-game script through the window for its full length, about nine
// minutes, so run by hand (--gtest_also_run_disabled_tests). The window
// game keeps to the script's path through stage 1, frame for frame; from
// stage 2 on it goes its own way (its first key lands a frame late), so it
// does not clear all sixteen stages, but whatever it plays replays the same.
INSTANTIATE_TEST_SUITE_P(DISABLED_LongGame, RecordedWindowGame,
                         ::testing::Values(WindowGame{"whole_game.in", 520500, 30000, {"key"}}));

}  // namespace
}  // namespace kolvar
