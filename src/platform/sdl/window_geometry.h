// Where the window really is and how big, as the display server has it.
//
// SDL takes a size it asked for as the window's own. Under X without a
// window manager a request for the whole screen is never carried out, yet
// SDL then reports the screen's size and draws for it, so only the top-left
// of the picture shows. Under X the server itself is asked; elsewhere SDL's
// own figures stand.
#pragma once

#include <SDL.h>

namespace kolvar {

struct WindowRect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
  bool operator==(const WindowRect&) const = default;
};

// The window's place on the screen and its size in pixels.
WindowRect RealWindowRect(SDL_Window* window);

// The bounds of the display the window is on.
WindowRect DisplayRectOf(SDL_Window* window);

// Waits up to `timeout_ms` for the window to cover `wanted` exactly (the
// window manager carries a request out a moment later, if at all), letting
// SDL take in the server's events meanwhile. True once it does.
bool WaitForWindowRect(SDL_Window* window, const WindowRect& wanted, uint32_t timeout_ms);

}  // namespace kolvar
