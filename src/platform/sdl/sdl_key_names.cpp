#include "platform/sdl/sdl_key_names.h"

#include <SDL.h>

namespace kolvar {

KeyNames SdlKeyNames() {
  return {[](const std::string& name) -> std::optional<KeyCode> {
            const SDL_Keycode key = SDL_GetKeyFromName(name.c_str());
            if (key == SDLK_UNKNOWN) return std::nullopt;
            return key;
          },
          [](KeyCode key) -> std::string { return SDL_GetKeyName(key); }};
}

ConfirmControl ConfirmControlOf(const Settings& settings, bool controller_in_use) {
  if (controller_in_use) return {"A", true};
  const std::vector<KeyCode>& keys = settings.keys[static_cast<int>(Action::Confirm)];
  if (keys.empty()) return {};
  const std::string name = SDL_GetKeyName(keys.front());
  if (name.empty()) return {};
  return {name == "," ? "Comma" : name, false};
}

}  // namespace kolvar
