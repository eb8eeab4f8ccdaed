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

}  // namespace kolvar
