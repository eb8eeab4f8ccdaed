#include "pacing/keyboard.h"

#include "pacing/events.h"

namespace kolvar {

bool KeyPressed(Game& game, Key key) {
  return game.platform->PollKey(key) != 0;
}

void FlushKeys(Game& game, std::initializer_list<Key> keys) {
  for (Key key : keys) game.platform->PollKey(key);
}

// A prompt waits for a person, not for a frame deadline: looking at the key
// every 10 ms is quick to the eye and wakes the processor a hundred times a
// second instead of near a thousand. (The headless clock moves only when
// events are processed, so this changes nothing there.)
constexpr uint32_t kKeyWaitStepMs = 10;

void WaitForZ(Game& game) {
  for (;;) {
    const bool pressed = KeyPressed(game, Key::Z);
    ProcessEvents(game);
    if (!pressed) break;
    game.platform->Idle(kKeyWaitStepMs);
  }
  for (;;) {
    const bool pressed = KeyPressed(game, Key::Z);
    ProcessEvents(game);
    if (pressed) return;
    game.platform->Idle(kKeyWaitStepMs);
  }
}

}  // namespace kolvar
