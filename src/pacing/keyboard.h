// Keys are polled, never taken from events. A poll counts as a press when
// the key is down now or was pressed since the previous poll of that key, so
// a tap between two polls still counts once. Stale presses are forgotten by
// flushing: polling and throwing the answer away.
#pragma once

#include <initializer_list>

#include "core/game.h"

namespace kolvar {

// True when the key is down or was pressed since its previous poll.
bool KeyPressed(Game& game, Key key);

// Polls each key once and ignores the answers.
void FlushKeys(Game& game, std::initializer_list<Key> keys);

// The Z prompt: polls Z until it reads released, then until it reads pressed,
// letting the window process its events after each poll. A Z still held from
// an earlier screen has to be released and pressed again.
void WaitForZ(Game& game);

}  // namespace kolvar
