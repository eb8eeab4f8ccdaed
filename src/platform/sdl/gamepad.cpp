#include "platform/sdl/gamepad.h"

#include <optional>

namespace kolvar {

namespace {

// Sources of game keys are numbered so that no pad's button can be taken
// for a keyboard key (scancodes stay below 2^16) and each pad owns a range.
constexpr int64_t kPadSources = int64_t{1} << 32;
constexpr int64_t kPadRange = 256;
constexpr int kStickSource = 128;  // + the arrow's Key

int64_t PadFirst(SDL_JoystickID id) {
  return kPadSources + int64_t{id} * kPadRange;
}

std::optional<Key> KeyOfButton(int button) {
  switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
      return Key::Up;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
      return Key::Right;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
      return Key::Down;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
      return Key::Left;
    case SDL_CONTROLLER_BUTTON_A:
      return Key::Z;
    case SDL_CONTROLLER_BUTTON_BACK:
      return Key::Esc;
    default:
      return std::nullopt;
  }
}

}  // namespace

Gamepads::Gamepads(KeyState& keys) : keys_(keys) {
  started_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
  // Pads already plugged in announce themselves with an added event.
}

Gamepads::~Gamepads() {
  for (auto& [id, pad] : pads_) SDL_GameControllerClose(pad);
  if (started_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

void Gamepads::Open(int device_index) {
  if (!SDL_IsGameController(device_index)) return;
  SDL_GameController* pad = SDL_GameControllerOpen(device_index);
  if (!pad) return;
  const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad));
  if (pads_.count(id)) {
    SDL_GameControllerClose(pad);  // announced twice; already open
    return;
  }
  pads_[id] = pad;
}

void Gamepads::Close(SDL_JoystickID id) {
  const auto it = pads_.find(id);
  if (it == pads_.end()) return;
  SDL_GameControllerClose(it->second);
  pads_.erase(it);
  // An unplugged pad lets go of everything it held.
  keys_.ReleaseSources(PadFirst(id), PadFirst(id) + kPadRange - 1);
}

void Gamepads::Axis(SDL_JoystickID id, int axis, int value, bool paused) {
  Key minus, plus;
  if (axis == SDL_CONTROLLER_AXIS_LEFTX) {
    minus = Key::Left;
    plus = Key::Right;
  } else if (axis == SDL_CONTROLLER_AXIS_LEFTY) {
    minus = Key::Up;
    plus = Key::Down;
  } else {
    return;
  }
  const auto lean = [&](Key key, int amount) {
    const int64_t source = PadFirst(id) + kStickSource + static_cast<int>(key);
    if (amount >= kStickPress) {
      keys_.Press(key, source, !paused);
    } else if (amount < kStickRelease) {
      keys_.Release(key, source);
    }
  };
  lean(minus, -value);
  lean(plus, value);
}

bool Gamepads::Handle(const SDL_Event& event, bool paused) {
  switch (event.type) {
    case SDL_CONTROLLERDEVICEADDED:
      Open(event.cdevice.which);
      return false;
    case SDL_CONTROLLERDEVICEREMOVED:
      Close(event.cdevice.which);
      return false;
    case SDL_CONTROLLERAXISMOTION:
      if (pads_.count(event.caxis.which)) {
        Axis(event.caxis.which, event.caxis.axis, event.caxis.value, paused);
      }
      return false;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
      if (!pads_.count(event.cbutton.which)) return false;
      const bool down = event.type == SDL_CONTROLLERBUTTONDOWN;
      if (event.cbutton.button == SDL_CONTROLLER_BUTTON_START) return down;
      const std::optional<Key> key = KeyOfButton(event.cbutton.button);
      if (!key) return false;
      const int64_t source = PadFirst(event.cbutton.which) + event.cbutton.button;
      if (down) {
        keys_.Press(*key, source, !paused);
      } else {
        keys_.Release(*key, source);
      }
      return false;
    }
    default:
      return false;
  }
}

}  // namespace kolvar
