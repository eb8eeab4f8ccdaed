// Plays the shipped stage 1 from the title to the start of stage 2 with a
// bot at the keyboard: the route to the key chest and the exit door, the key
// and exit sequences, the stage clear with its bonus, and the next stage.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <functional>
#include <set>

#include "core/fatal_error.h"
#include "core/trace.h"
#include "flow/outer_loop.h"
#include "flow/play_loop.h"
#include "support/test_game.h"

namespace kolvar {
namespace {

// Answers key polls from the game state: walks the shortest way over floor
// to the key chest, then to the exit door, and taps Z at every prompt. The
// enemies are taken off the map so the run checks the route and the
// sequences, not the bot's dodging.
class BotPlatform : public testing::TestPlatform {
 public:
  BotPlatform() : TestPlatform("", false) {}
  Game* game = nullptr;
  int32_t key_time_left = -1;
  int32_t clear_time_left = -1;
  // Asked at every event pass; true closes the window.
  std::function<bool(const Game&)> stop_when;
  // Polls so far: Z is polled by the prompts, Esc once per play frame.
  int z_polls = 0;
  int esc_polls = 0;

  uint16_t PollKey(Key key) override {
    if (key == Key::Esc) ++esc_polls;
    if (key == Key::Z) {
      ++z_polls;
      z_down_ = !z_down_;  // released, then pressed: every prompt takes it
      return z_down_ ? 0x8001 : 0;
    }
    if (key == Key::Esc || !game) return 0;
    return key == NextArrow() ? 0x8001 : 0;
  }

  bool PumpEvents() override {
    HeadlessPlatform::PumpEvents();
    if (!game) return false;
    for (EnemySlot& e : game->EnemyTable) e.Active = kFalse;
    if (key_time_left < 0 && game->GameFlags[kKeyHeld] == kTrue) key_time_left = game->TimeLeft;
    if (clear_time_left < 0 && game->GameFlags[kStageCleared] == kTrue) {
      clear_time_left = game->TimeLeft;
    }
    return stop_when && stop_when(*game);
  }

 private:
  Key NextArrow() {
    const Game& g = *game;
    const int32_t px = PlayerMapX(g);
    const int32_t py = PlayerMapY(g);
    const bool has_key = g.GameFlags[kKeyHeld] == kTrue;
    const int gc = has_key ? g.ExitCellX : g.KeyCellX;
    const int gr = has_key ? g.ExitCellY : g.KeyCellY;
    static constexpr std::array<std::pair<int, int>, 4> kSteps = {
        {{0, -1}, {1, 0}, {0, 1}, {-1, 0}}};
    static constexpr Key kKeys[] = {Key::Up, Key::Right, Key::Down, Key::Left};

    // Next to the chest or the door: push against it until its sequence
    // starts (the feet reach it only after some steps into the own cell).
    const int near_c = (px + 16) / kCellPixels, near_r = (py + 16) / kCellPixels;
    for (size_t d = 0; d < 4; ++d) {
      const bool lined_up =
          kSteps[d].first == 0 ? px == near_c * kCellPixels : py == near_r * kCellPixels;
      if (lined_up && near_c + kSteps[d].first == gc && near_r + kSteps[d].second == gr) {
        has_target_ = false;
        return kKeys[d];
      }
    }

    // Walk to the cell chosen last, standing exactly on it before turning
    // again, so that corridors let the feet in.
    if (!has_target_) {
      target_c_ = near_c;
      target_r_ = near_r;
      has_target_ = true;
    }
    if (px != target_c_ * kCellPixels) return px < target_c_ * kCellPixels ? Key::Right : Key::Left;
    if (py != target_r_ * kCellPixels) return py < target_r_ * kCellPixels ? Key::Down : Key::Up;
    has_target_ = false;
    const int c = target_c_, r = target_r_;

    // Breadth-first search back from the goal: each floor cell learns the
    // direction of its first step toward it.
    std::array<int, 1024> toward{};
    toward.fill(-1);
    std::deque<std::pair<int, int>> queue;
    for (size_t d = 0; d < 4; ++d) {
      const int nc = gc + kSteps[d].first, nr = gr + kSteps[d].second;
      if (g.TileMap.Get(nc, nr) == kFloor) {
        toward[static_cast<size_t>(nr * 32 + nc)] = static_cast<int>((d + 2) % 4);
        queue.emplace_back(nc, nr);
      }
    }
    while (!queue.empty()) {
      const auto [qc, qr] = queue.front();
      queue.pop_front();
      for (size_t d = 0; d < 4; ++d) {
        const int nc = qc + kSteps[d].first, nr = qr + kSteps[d].second;
        if (g.TileMap.Get(nc, nr) != kFloor || toward[static_cast<size_t>(nr * 32 + nc)] >= 0) {
          continue;
        }
        toward[static_cast<size_t>(nr * 32 + nc)] = static_cast<int>((d + 2) % 4);
        queue.emplace_back(nc, nr);
      }
    }
    const int step = CellGrid::OnGrid(c, r) ? toward[static_cast<size_t>(r * 32 + c)] : -1;
    if (step < 0) return Key::Z;  // no way: no arrow, stand still
    target_c_ = c + kSteps[static_cast<size_t>(step)].first;
    target_r_ = r + kSteps[static_cast<size_t>(step)].second;
    has_target_ = true;
    return kKeys[step];
  }

  bool z_down_ = false;
  bool has_target_ = false;
  int target_c_ = 0, target_r_ = 0;
};

TEST(Playthrough, StageOneLeadsThroughKeyExitAndClearIntoStageTwo) {
  BotPlatform bot;
  Game game(bot, ".");
  bot.game = &game;
  // Close two seconds into stage 2.
  uint32_t stage_two_at = 0;
  bot.stop_when = [&](const Game& g) {
    if (g.StageNumber != 2 || g.GameFlags[kStageCleared] == kTrue) return false;
    if (stage_two_at == 0) stage_two_at = bot.Clock();
    return bot.Clock() > stage_two_at + 2000;
  };
  EXPECT_THROW(RunProgram(game), CloseRequested);

  EXPECT_EQ(game.StageNumber, 2);
  EXPECT_EQ(game.Lives, 3);
  ASSERT_GT(bot.key_time_left, 0);
  ASSERT_GE(bot.clear_time_left, 0);
  EXPECT_LE(bot.clear_time_left, bot.key_time_left);
  EXPECT_EQ(game.Score, 100 + 2 * bot.key_time_left + 5 * bot.clear_time_left);
  EXPECT_EQ(game.HiScore, game.Score);
  EXPECT_EQ(game.GameFlags[kKeyHeld], kFalse);  // stage 2 starts without the key
  const std::string& music = bot.music.log;
  EXPECT_NE(music.find("open main.mid;play;"), std::string::npos);
  EXPECT_NE(music.find("stop;close;open CLEAR.MID;play;"), std::string::npos);
}

// The events of a trace written into memory, read back as they come.
class EventLog {
 public:
  EventLog() : file_(open_memstream(&buffer_, &size_)), trace_(file_) {}
  ~EventLog() {
    std::fclose(file_);
    std::free(buffer_);
  }
  Trace* trace() { return &trace_; }
  bool Seen(const std::string& event) {
    std::fflush(file_);
    const std::string_view text(buffer_, size_);
    for (size_t at = text.find("\"event\":\"", scanned_); at != std::string_view::npos;
         at = text.find("\"event\":\"", at + 1)) {
      const size_t start = at + 9, end = text.find('"', start);
      if (end == std::string_view::npos) break;
      seen_.emplace(text.substr(start, end - start));
      scanned_ = end;
    }
    return seen_.count(event) > 0;
  }

 private:
  char* buffer_ = nullptr;
  size_t size_ = 0;
  std::FILE* file_;
  Trace trace_;
  size_t scanned_ = 0;
  std::set<std::string, std::less<>> seen_;
};

// Closing the window ends the program from inside whatever wait is running,
// in every phase, with the music stopped (main turns that into exit status 0).
TEST(CloseRequest, EndsEveryPhaseWithTheMusicStopped) {
  struct Phase {
    const char* name;
    int stage;  // 0: the whole program from the title screen
    // Called at every event pass until it says the phase has come.
    std::function<bool(BotPlatform&, Game&, EventLog&)> reached;
  };
  // A prompt has come when Z is polled after the event that opens it.
  auto prompt_after = [](const char* event) {
    return [event, mark = -1](BotPlatform& bot, Game&, EventLog& log) mutable {
      if (mark < 0 && log.Seen(event)) mark = bot.z_polls;
      return mark >= 0 && bot.z_polls > mark;
    };
  };
  // Runs the stage clock out as soon as play begins, `lives` left.
  auto time_out = [](int32_t lives) {
    return [lives, done = false](BotPlatform& bot, Game& g, EventLog&) mutable {
      if (!done && bot.esc_polls > 1) {
        g.Lives = lives;
        g.StageStartTime -= 300000;
        done = true;
      }
      return false;
    };
  };
  auto both = [](auto first, auto second) {
    return [first, second](BotPlatform& bot, Game& g, EventLog& log) mutable {
      const bool a = first(bot, g, log);
      return second(bot, g, log) || a;
    };
  };
  const Phase phases[] = {
      {"title", 0, [](BotPlatform& bot, Game&, EventLog&) { return bot.Clock() > 500; }},
      {"entry", 1,
       [at = 0u](BotPlatform& bot, Game&, EventLog& log) mutable {
         if (at == 0 && log.Seen("stage")) at = bot.Clock();
         return at > 0 && bot.Clock() > at + 100;
       }},
      {"play", 1, [](BotPlatform& bot, Game&, EventLog&) { return bot.esc_polls > 5; }},
      {"scroll", 1, [](BotPlatform&, Game&, EventLog& log) { return log.Seen("scroll"); }},
      {"key", 1,
       [](BotPlatform&, Game& g, EventLog&) {
         const uint8_t chest = g.TileMap.Get(g.KeyCellX, g.KeyCellY);
         return chest >= 3 && chest <= 5;
       }},
      {"exit", 1, [](BotPlatform&, Game&, EventLog& log) { return log.Seen("exit"); }},
      {"clear count", 1,
       [mark = -1](BotPlatform& bot, Game&, EventLog& log) mutable {
         if (!log.Seen("clear")) return false;
         if (mark < 0) mark = bot.z_polls;
         return bot.z_polls == mark;
       }},
      {"clear prompt", 1, prompt_after("clear")},
      {"miss", 1,
       both(time_out(3), [](BotPlatform&, Game&, EventLog& log) { return log.Seen("miss"); })},
      {"game over prompt", 1, both(time_out(1), prompt_after("gameover"))},
      {"closing-screen prompt", 16, prompt_after("allclear")},
  };
  for (const Phase& phase : phases) {
    SCOPED_TRACE(phase.name);
    BotPlatform bot;
    Game game(bot, ".");
    EventLog log;
    game.trace = log.trace();
    bot.game = &game;
    bool reached = false;
    int passes_after = 0;  // the close must end the run at the very pass that asks for it
    auto reached_now = phase.reached;
    bot.stop_when = [&](const Game&) {
      if (reached) ++passes_after;
      reached = reached || reached_now(bot, game, log);
      return reached || bot.Clock() > 2000000;
    };
    if (phase.stage == 0) {
      EXPECT_THROW(RunProgram(game), CloseRequested);
    } else {
      game.StageNumber = phase.stage;
      EXPECT_THROW(RunGame(game), CloseRequested);
    }
    EXPECT_TRUE(reached);
    EXPECT_EQ(passes_after, 0);
    EXPECT_TRUE(log.Seen("close"));
    EXPECT_FALSE(bot.music.playing);
    const std::string& music = bot.music.log;
    EXPECT_EQ(music.substr(music.size() - std::min<size_t>(music.size(), 5)), "stop;") << music;
  }
}

}  // namespace
}  // namespace kolvar

namespace kolvar {
namespace {

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(Playthrough, AllSixteenStagesCanBeWalkedAndTheLastLeadsBackToTheTitle) {
  BotPlatform bot;
  Game game(bot, ".");
  bot.game = &game;
  // Close when the title opens its music for the second time.
  // (The log is searched only when it has grown.)
  size_t log_seen = 0;
  bool second_title = false;
  bot.stop_when = [&](const Game&) {
    if (bot.music.log.size() != log_seen) {
      log_seen = bot.music.log.size();
      second_title = Count(bot.music.log, "open title.mid") == 2;
    }
    return second_title;
  };
  // With a trace written, as a recorded run has it; its play frames give the
  // run's speed, reported (never judged: machines differ).
  std::FILE* trace_file = std::tmpfile();
  ASSERT_NE(trace_file, nullptr);
  Trace trace(trace_file);
  game.trace = &trace;
  const std::clock_t cpu_start = std::clock();
  EXPECT_THROW(RunProgram(game), CloseRequested);
  const double cpu_seconds = double(std::clock() - cpu_start) / CLOCKS_PER_SEC;
  trace.Finish();
  std::rewind(trace_file);
  long frames = 0;
  for (char line[4096]; std::fgets(line, sizeof line, trace_file);) {
    frames += std::strstr(line, "\"stage\":") != nullptr;
  }
  std::fclose(trace_file);
  std::printf("whole game: %ld play frames in %.2f s of processor time, %.0f a second\n", frames,
              cpu_seconds, double(frames) / std::max(cpu_seconds, 1e-6));
  EXPECT_GT(frames, 16 * 100);                             // every stage was played, not skipped
  EXPECT_EQ(Count(bot.music.log, "open main.mid"), 16u);   // one start per stage, no restart
  EXPECT_EQ(Count(bot.music.log, "open CLEAR.MID"), 17u);  // 16 clears and the closing screen
  EXPECT_EQ(game.StageNumber, 1);
  EXPECT_EQ(game.Lives, 3);
  EXPECT_EQ(game.ContinueStage, 1);
  EXPECT_GT(game.HiScore, 16 * 100);
}

}  // namespace
}  // namespace kolvar
