#include "platform/pause.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/scaling.h"

namespace kolvar {
namespace {

// The pause both windows keep: what asks for it, what ends it, and the
// game's clock standing still through it, a focus lost while paused
// included (it must not pause again once the player plays on).
TEST(PauseState, AskedHeldEndedAndItsTimeLeftOutOfTheGamesClock) {
  const std::vector<uint32_t> last(static_cast<size_t>(kPictureWidth) * kPictureHeight, 0xC0C0C0);
  PauseState pause;
  EXPECT_EQ(pause.GameClock(1000), 1000u);
  pause.Ask();
  EXPECT_TRUE(pause.wanted());
  pause.Begin(1000, last, nullptr, "P");
  EXPECT_TRUE(pause.paused());
  EXPECT_FALSE(pause.wanted());
  EXPECT_EQ(pause.resume_line(), "Press P or Start to play on");
  EXPECT_EQ(pause.Shown(last)[0], 0x4C4C4Cu);  // dimmed to two fifths
  pause.Ask();                                 // the focus lost again while paused
  EXPECT_FALSE(pause.wanted());
  pause.Toggle();  // the pause key plays on
  EXPECT_FALSE(pause.paused());
  pause.End(4500);
  EXPECT_EQ(&pause.Shown(last), &last);
  EXPECT_EQ(pause.GameClock(4500), 1000u);
  EXPECT_EQ(pause.GameClock(4600), 1100u);

  pause.Toggle();  // the key asks for a second pause; its time adds up
  EXPECT_TRUE(pause.wanted());
  pause.Begin(5000, last, nullptr, "");
  EXPECT_EQ(pause.resume_line(), "Press Start to play on");
  pause.Toggle();
  pause.End(5250);
  EXPECT_EQ(pause.GameClock(5250), 1500u);
}

}  // namespace
}  // namespace kolvar
