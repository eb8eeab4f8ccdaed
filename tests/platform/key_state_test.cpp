#include "platform/key_state.h"

#include <gtest/gtest.h>

namespace kolvar {
namespace {

TEST(KeyState, AnySourceHoldsAndEachNewPressCountsOnce) {
  KeyState keys;
  EXPECT_EQ(keys.Poll(Key::Up), 0);
  keys.Press(Key::Up, 1);                 // a key
  keys.Press(Key::Up, 1);                 // its auto-repeat
  keys.Press(Key::Up, int64_t{1} << 33);  // a pad's d-pad as well
  EXPECT_EQ(keys.Poll(Key::Up), 0x8001);
  keys.Release(Key::Up, 1);
  EXPECT_EQ(keys.Poll(Key::Up), 0x8000);  // the d-pad still holds it
  keys.ReleaseSources(int64_t{1} << 33, (int64_t{1} << 33) + 255);
  EXPECT_EQ(keys.Poll(Key::Up), 0);

  keys.Press(Key::Z, 7);
  keys.Release(Key::Z, 7);
  EXPECT_EQ(keys.Poll(Key::Left), 0);
  EXPECT_EQ(keys.Poll(Key::Z), 0x0001);  // tapped between polls
  EXPECT_EQ(keys.Poll(Key::Z), 0);

  keys.Press(Key::Esc, 9, false);  // pressed while paused: held, not a press
  EXPECT_EQ(keys.Poll(Key::Esc), 0x8000);
}

}  // namespace
}  // namespace kolvar
