#include "pacing/keyboard.h"

#include "pacing/events.h"

namespace kolvar {

bool KeyPressed(Game& game, Key key) {
  return game.platform->PollKey(key) != 0;
}

void FlushKeys(Game& game, std::initializer_list<Key> keys) {
  for (Key key : keys) game.platform->PollKey(key);
}

void WaitForZ(Game& game) {
  for (;;) {
    const bool pressed = KeyPressed(game, Key::Z);
    ProcessEvents(game);
    if (!pressed) break;
    game.platform->Idle(1);
  }
  for (;;) {
    const bool pressed = KeyPressed(game, Key::Z);
    ProcessEvents(game);
    if (pressed) return;
    game.platform->Idle(1);
  }
}

}  // namespace kolvar
