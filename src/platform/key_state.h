// The memory behind key polls, shared by every source of a game key: the
// keyboard's keys, a controller's buttons and its stick. A game key is down
// while any of its sources holds it, and counts as pressed at the next poll
// once any source went down since the previous poll of that key.
#pragma once

#include <cstdint>
#include <set>

#include "platform/platform.h"

namespace kolvar {

class KeyState {
 public:
  // A source went down. A source already holding the key (a key's
  // auto-repeat) is no new press. With `counts_as_press` false the key is
  // only held: presses made while the game is paused are not remembered.
  void Press(Key key, int64_t source, bool counts_as_press = true);
  void Release(Key key, int64_t source);
  // Releases whatever sources in [first, last] hold, e.g. every button of a
  // controller that was unplugged.
  void ReleaseSources(int64_t first, int64_t last);

  // Bit 15 while down, bit 0 when pressed since the previous poll of `key`;
  // the poll clears bit 0.
  uint16_t Poll(Key key);
  bool Down(Key key) const { return !holders_[static_cast<int>(key)].empty(); }

 private:
  std::set<int64_t> holders_[kKeyCount];
  bool pressed_[kKeyCount] = {};
};

}  // namespace kolvar
