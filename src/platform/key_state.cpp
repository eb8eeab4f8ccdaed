#include "platform/key_state.h"

namespace kolvar {

void KeyState::Press(Key key, int64_t source, bool counts_as_press) {
  const int k = static_cast<int>(key);
  if (holders_[k].insert(source).second && counts_as_press) pressed_[k] = true;
}

void KeyState::Release(Key key, int64_t source) {
  holders_[static_cast<int>(key)].erase(source);
}

void KeyState::ReleaseSources(int64_t first, int64_t last) {
  for (std::set<int64_t>& holders : holders_) {
    holders.erase(holders.lower_bound(first), holders.upper_bound(last));
  }
}

uint16_t KeyState::Poll(Key key) {
  const int k = static_cast<int>(key);
  const uint16_t state = static_cast<uint16_t>((Down(key) ? 0x8000 : 0) | (pressed_[k] ? 1 : 0));
  pressed_[k] = false;
  return state;
}

}  // namespace kolvar
