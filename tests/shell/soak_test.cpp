// Long random play over every shipped stage: seeded random keys for at least
// 50,000 play frames, the state checked after each one. Under the sanitizer
// build this is where memory and arithmetic faults of rare paths show.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <set>

#include "core/fatal_error.h"
#include "platform/headless/headless_platform.h"
#include "flow/play_loop.h"
#include "support/invariants.h"
#include "title/title_screen.h"

namespace kolvar {
namespace {

constexpr int kFrames = 50000;

class RandomKeys : public HeadlessPlatform {
 public:
  RandomKeys() : HeadlessPlatform(HeadlessOptions{}) {}

  Game* game = nullptr;
  int frames = 0;
  std::string fault;
  std::set<int32_t> stages;

  // The play loop polls Esc once a frame, after the frame is shown.
  uint16_t PollKey(Key key) override {
    if (key == Key::Esc && game) {
      ++frames;
      stages.insert(game->StageNumber);
      if (fault.empty()) {
        fault = testing::CheckPlayInvariants(*game);
        if (!fault.empty()) fault = "frame " + std::to_string(frames) + ": " + fault;
      }
    }
    return HeadlessPlatform::PollKey(key);
  }

  // Every 41 ms (a play frame) the hands change: an arrow is held for a
  // while, Z is tapped now and then (prompts and the title menu), and Esc
  // rarely ends a game early so that every stage gets its turn.
  bool PumpEvents() override {
    const bool close = HeadlessPlatform::PumpEvents();
    if (Clock() % 41 != 0) return close || !fault.empty() || frames >= kFrames;
    if (held_) ReleaseKey(*held_);
    held_.reset();
    ReleaseKey(Key::Z);
    ReleaseKey(Key::Esc);
    const auto roll = random_() % 1000;
    if (roll < 700) {
      static constexpr Key kArrows[] = {Key::Up, Key::Right, Key::Down, Key::Left};
      if (hold_left_ == 0) {
        arrow_ = kArrows[random_() % 4];
        hold_left_ = 1 + static_cast<int>(random_() % 24);
      }
      --hold_left_;
      held_ = arrow_;
      PressKey(*held_);
    } else if (roll < 760) {
      PressKey(Key::Z);
    } else if (roll == 999 && random_() % 3 == 0) {
      PressKey(Key::Esc);
    }
    return close || !fault.empty() || frames >= kFrames;
  }

 private:
  std::minstd_rand random_{20261207};
  std::optional<Key> held_;
  Key arrow_ = Key::Up;
  int hold_left_ = 0;
};

TEST(Soak, FiftyThousandRandomFramesOverEveryStageKeepTheStateInRange) {
  RandomKeys keys;
  Game game(keys, ".");
  keys.game = &game;
  game.ContinueStage = 1;
  try {
    for (int32_t round = 0;; ++round) {
      if (round % 4 == 0) TitleScreen(game);
      game.StageNumber = round % 16 + 1;
      RunGame(game);
    }
  } catch (const CloseRequested&) {
  }
  EXPECT_EQ(keys.fault, "");
  EXPECT_GE(keys.frames, kFrames);
  EXPECT_EQ(keys.stages.size(), 16u);
  EXPECT_TRUE(keys.Music().IsStopped());
}

}  // namespace
}  // namespace kolvar
