#include "platform/sdl/window_geometry.h"

#include <SDL_syswm.h>

namespace kolvar {

WindowRect RealWindowRect(SDL_Window* window) {
  WindowRect rect;
  SDL_GetWindowPosition(window, &rect.x, &rect.y);
  SDL_GetWindowSizeInPixels(window, &rect.w, &rect.h);
#if defined(SDL_VIDEO_DRIVER_X11)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11) {
    Display* display = info.info.x11.display;
    XSync(display, False);
    XWindowAttributes attributes;
    ::Window child;
    if (XGetWindowAttributes(display, info.info.x11.window, &attributes) &&
        XTranslateCoordinates(display, info.info.x11.window, attributes.root, 0, 0, &rect.x,
                              &rect.y, &child)) {
      rect.w = attributes.width;
      rect.h = attributes.height;
    }
  }
#endif
  return rect;
}

WindowRect DisplayRectOf(SDL_Window* window) {
  SDL_Rect bounds{0, 0, 0, 0};
  const int display = SDL_GetWindowDisplayIndex(window);
  if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) != 0) return {};
  return {bounds.x, bounds.y, bounds.w, bounds.h};
}

bool WaitForWindowRect(SDL_Window* window, const WindowRect& wanted, uint32_t timeout_ms) {
  const uint32_t start = SDL_GetTicks();
  for (;;) {
    SDL_PumpEvents();
    if (RealWindowRect(window) == wanted) return true;
    if (SDL_GetTicks() - start >= timeout_ms) return false;
    SDL_Delay(10);
  }
}

}  // namespace kolvar
