#include "pacing/pacing.h"

#include <gtest/gtest.h>

#include "core/fatal_error.h"
#include "pacing/events.h"
#include "pacing/keyboard.h"
#include "support/test_game.h"

namespace kolvar {
namespace {

using testing::TestGame;

void Work(TestGame& t, uint32_t ms) {
  const uint32_t end = t.platform.Clock() + ms;
  while (t.platform.Clock() < end) t.platform.PumpEvents();
}

TEST(Delay, LastsOneMillisecondMoreThanAskedOnTheVirtualClock) {
  TestGame t;
  for (int32_t ms : {40, 1, 0, -5}) {
    const uint32_t start = t.platform.Clock();
    Delay(t.game, ms);
    EXPECT_EQ(t.platform.Clock() - start, static_cast<uint32_t>(ms < 0 ? 1 : ms + 1)) << ms;
  }
}

TEST(DelayFromMark, WaitsOnlyForWhatIsLeftOfTheStep) {
  TestGame t;
  MarkTime(t.game);
  const uint32_t mark = t.game.PaceMark;
  Work(t, 10);
  DelayFromMark(t.game, 40);
  EXPECT_EQ(t.platform.Clock() - mark, 41u);  // Delay(30) lasts 31

  MarkTime(t.game);
  Work(t, 55);
  const uint32_t before = t.platform.Clock();
  DelayFromMark(t.game, 40);
  EXPECT_EQ(t.platform.Clock(), before);  // late: returns at once, no event pass

  MarkTime(t.game);
  Work(t, 40);
  DelayFromMark(t.game, 40);
  EXPECT_EQ(t.platform.Clock(), before + 40);
}

TEST(ProcessEvents, CloseRequestStopsTheMusicAndUnwinds) {
  // Simulate the user closing the window at the next event pass.
  struct Closing : testing::TestPlatform {
    bool PumpEvents() override {
      TestPlatform::PumpEvents();
      return true;
    }
  } closing;
  Game game(closing);
  game.MusicLoop = kTrue;
  EXPECT_THROW(Delay(game, 40), CloseRequested);
  EXPECT_EQ(game.MusicLoop, kFalse);
  EXPECT_EQ(closing.music.log, "stop;");
  EXPECT_EQ(closing.Clock(), 1u);  // the wait ended at the first event pass
}

TEST(WaitForZ, SleepsInTenMillisecondStepsBetweenLooks) {
  struct Sleepy : testing::TestPlatform {
    using TestPlatform::TestPlatform;
    void Idle(uint32_t ms) override { idles.push_back(ms); }
    std::vector<uint32_t> idles;
  } sleepy("0 z down\n30 z up\n60 z down");
  Game game(sleepy);
  WaitForZ(game);                  // waits for the release, then for the next press
  EXPECT_EQ(sleepy.Clock(), 61u);  // the look that sees the press still lets events run
  ASSERT_FALSE(sleepy.idles.empty());
  for (uint32_t ms : sleepy.idles) EXPECT_EQ(ms, 10u);
}

}  // namespace
}  // namespace kolvar
