// Game controllers: any pad that SDL's game-controller database knows. The
// d-pad and the left stick act as the arrow keys, A as Z, Back as Esc, and
// Start pauses. Pads plugged in while the game runs work at once.
#pragma once

#include <SDL.h>

#include <map>

#include "platform/key_state.h"

namespace kolvar {

// How far the stick must lean to press an arrow, and how far back it must
// come to let go of it (out of 32767); the gap keeps a stick resting near
// the edge from chattering.
inline constexpr int kStickPress = 16000;
inline constexpr int kStickRelease = 10000;

class Gamepads {
 public:
  // Starts SDL's game-controller subsystem; without it no pad is seen and
  // the game plays on the keyboard alone.
  explicit Gamepads(KeyState& keys);
  ~Gamepads();
  Gamepads(const Gamepads&) = delete;
  Gamepads& operator=(const Gamepads&) = delete;

  // Handles a controller event (other events are left alone). Returns true
  // when it was a press of Start, the pause button. While `paused`, buttons
  // still hold and let go of their keys but make no press the game will see.
  bool Handle(const SDL_Event& event, bool paused);

  int count() const { return static_cast<int>(pads_.size()); }

 private:
  void Open(int device_index);
  void Close(SDL_JoystickID id);
  void Axis(SDL_JoystickID id, int axis, int value, bool paused);

  KeyState& keys_;
  bool started_ = false;
  std::map<SDL_JoystickID, SDL_GameController*> pads_;
};

}  // namespace kolvar
