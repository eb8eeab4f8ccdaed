// Drawing the game's picture into the window, at the largest whole multiple
// that fits, and the window's whole screen (F11, Alt+Return).
#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/scaling.h"
#include "platform/sdl/sdl_window.h"

namespace kolvar {

namespace {

// How long a window manager gets to carry out a change of the window's size.
constexpr uint32_t kWholeScreenWaitMs = 500;

}  // namespace

// Where the picture lies in the window's drawable, whose size goes to
// `width` and `height`.
PixelRect SdlWindow::PictureFit(int* width, int* height) {
  *width = kPictureWidth;
  *height = kPictureHeight;
  SDL_GetRendererOutputSize(renderer_, width, height);
  // SDL's own idea of the window can be larger than the window (a whole
  // screen asked for and not granted); only what is on the screen counts.
  if (drawable_.w > 0 && drawable_.h > 0) {
    *width = std::min(*width, drawable_.w);
    *height = std::min(*height, drawable_.h);
  }
  return FitPicture(*width, *height);
}

// Draws the picture at the largest whole multiple that fits the window's
// drawable (its pixels, not its points, so high-DPI screens stay sharp),
// centred on black, with the notice band's line over its bottom. With
// `only_changes`, nothing is drawn or sent to the screen while neither the
// picture nor the band's line changed since the window last showed them;
// where the window's surface still holds them, only the rows that differ
// are drawn (in play most of the picture stands still).
void SdlWindow::Present(bool only_changes) {
  const std::vector<uint32_t>& picture = pause_.Shown(last_);
  int width = 0, height = 0;
  const PixelRect fit = PictureFit(&width, &height);
  const SDL_Rect target{fit.x, fit.y, fit.w, fit.h};
  // Black bars where the picture does not reach, and nothing more: a
  // whole clear would first wipe the picture's own (much larger) area.
  const SDL_Rect bars[4] = {{0, 0, width, target.y},
                            {0, target.y + target.h, width, height - target.y - target.h},
                            {0, target.y, target.x, target.h},
                            {target.x + target.w, target.y, width - target.x - target.w, target.h}};
  const bool line_changed = notices_.Update(renderer_, target);
  const SDL_Rect band = notices_.Band(target);
  SDL_Rect changed{};
  if (DrawIntoWindowSurface(picture, target, bars, only_changes, band, line_changed, &changed)) {
    if (changed.h <= 0) return;
    // The renderer draws the line over the picture on the same surface,
    // where the rows under the band were drawn again.
    if (band.h > 0 && changed.y + changed.h > band.y) {
      notices_.DrawLine(renderer_, target);
      SDL_RenderFlush(renderer_);
    }
    SDL_UpdateWindowSurfaceRects(window_, &changed, 1);
    return;
  }
  drawn_surface_ = nullptr;
  const bool same = only_changes && !line_changed && presented_ && target.x == drawn_target_.x &&
                    target.y == drawn_target_.y && target.w == drawn_target_.w && picture == drawn_;
  if (same) return;
  SDL_UpdateTexture(texture_, nullptr, picture.data(), kPictureWidth * 4);
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  for (const SDL_Rect& bar : bars) {
    if (bar.w > 0 && bar.h > 0) SDL_RenderFillRect(renderer_, &bar);
  }
  SDL_RenderCopy(renderer_, texture_, nullptr, &target);
  notices_.DrawLine(renderer_, target);
  SDL_RenderPresent(renderer_);
  drawn_ = picture;
  drawn_target_ = target;
  presented_ = true;
}

// The software renderer draws into the window's own surface, which is what
// the screen shows: the picture is scaled by whole pixels straight into it,
// written once, where SDL's general stretch would work out each pixel's
// source and go through a texture first. False (nothing drawn) for other
// renderers, a surface of another pixel layout, or a window smaller than the
// picture; the renderer then draws it. `changed` is the part of the window
// drawn, to send to the screen (empty when nothing changed). The rows under
// `band` (where the line goes, empty for none) and under the band drawn
// before are drawn again all together, or not at all: the band darkens
// what is under it, once.
bool SdlWindow::DrawIntoWindowSurface(const std::vector<uint32_t>& picture, const SDL_Rect& target,
                                      const SDL_Rect (&bars)[4], bool only_changes,
                                      const SDL_Rect& band, bool line_changed, SDL_Rect* changed) {
  if (!software_renderer_) return false;
  SDL_RenderFlush(renderer_);
  SDL_Surface* surface = SDL_GetWindowSurface(window_);
  if (!surface || surface->format->BytesPerPixel != 4 || surface->format->Rmask != 0xFF0000 ||
      surface->format->Gmask != 0xFF00 || surface->format->Bmask != 0xFF ||
      target.x + target.w > surface->w || target.y + target.h > surface->h) {
    return false;
  }
  const int scale = target.w / kPictureWidth;
  const bool unmoved = only_changes && surface == drawn_surface_ && surface->w == drawn_w_ &&
                       surface->h == drawn_h_ && target.x == drawn_target_.x &&
                       target.y == drawn_target_.y && target.w == drawn_target_.w;
  // The first row of the picture the band covers, now or as drawn before.
  const int band_row =
      band.h > 0 ? std::clamp((band.y - target.y) / scale, 0, kPictureHeight) : kPictureHeight;
  int first = 0, end = kPictureHeight;
  if (unmoved) {
    // The rows from the first to the last that differ are drawn again.
    const auto row_differs = [&](int y) {
      const size_t at = static_cast<size_t>(y) * kPictureWidth;
      return std::memcmp(&picture[at], &drawn_[at], kPictureWidth * sizeof(uint32_t)) != 0;
    };
    while (first < end && !row_differs(first)) ++first;
    while (end > first && !row_differs(end - 1)) --end;
    const int under = std::min(band_row, drawn_band_row_);
    if (under < kPictureHeight && (line_changed || (first < end && end > under))) {
      first = std::min(first, under);
      end = kPictureHeight;
    }
    drawn_band_row_ = band_row;
    if (first == end) {
      *changed = {};
      return true;
    }
  }
  if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return false;
  const int pitch = surface->pitch / 4;
  uint32_t* const out = static_cast<uint32_t*>(surface->pixels) + target.y * pitch + target.x;
  ScalePicture(picture.data(), scale, out, pitch, first, end);
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  if (unmoved) {
    *changed = {target.x, target.y + first * scale, target.w, (end - first) * scale};
  } else {
    for (const SDL_Rect& bar : bars) {
      if (bar.w > 0 && bar.h > 0) SDL_FillRect(surface, &bar, 0);
    }
    *changed = {0, 0, surface->w, surface->h};
  }
  drawn_ = picture;
  drawn_surface_ = surface;
  drawn_w_ = surface->w;
  drawn_h_ = surface->h;
  drawn_target_ = target;
  drawn_band_row_ = band_row;
  presented_ = false;
  return true;
}

void SdlWindow::ToggleFullscreen() {
  if (whole_screen_ == WholeScreen::Off) {
    EnterWholeScreen();
  } else {
    LeaveWholeScreen();
  }
  Present();
}

// Asks for the desktop's whole screen and checks that the window really got
// it. Without a window manager nobody carries the request out (SDL would
// still draw for the whole screen, cropped); the window then covers the
// screen itself, borderless, and where even that fails it stays as it was.
void SdlWindow::EnterWholeScreen() {
  SDL_GetWindowPosition(window_, &windowed_.x, &windowed_.y);
  const WindowRect real = RealWindowRect(window_);
  windowed_.w = real.w;
  windowed_.h = real.h;
  const WindowRect screen = DisplayRectOf(window_);
  if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0 &&
      WaitForWindowRect(window_, screen, kWholeScreenWaitMs)) {
    whole_screen_ = WholeScreen::Desktop;
  } else {
    SDL_SetWindowFullscreen(window_, 0);
    SDL_SetWindowBordered(window_, SDL_FALSE);
    SDL_SetWindowPosition(window_, screen.x, screen.y);
    SDL_SetWindowSize(window_, screen.w, screen.h);
    whole_screen_ = WholeScreen::Covered;
    if (!WaitForWindowRect(window_, screen, kWholeScreenWaitMs)) {
      LeaveWholeScreen();
      Notice("cannot switch to the whole screen: the window stays as it was");
      return;
    }
  }
  SDL_ShowCursor(SDL_DISABLE);
  drawable_ = RealWindowRect(window_);
}

// Back to the window's size and place from before the whole screen.
void SdlWindow::LeaveWholeScreen() {
  if (whole_screen_ == WholeScreen::Desktop) SDL_SetWindowFullscreen(window_, 0);
  SDL_SetWindowBordered(window_, SDL_TRUE);
  SDL_SetWindowSize(window_, windowed_.w, windowed_.h);
  SDL_SetWindowPosition(window_, windowed_.x, windowed_.y);
  whole_screen_ = WholeScreen::Off;
  WaitForWindowRect(window_, windowed_, kWholeScreenWaitMs);
  SDL_ShowCursor(SDL_ENABLE);
  drawable_ = RealWindowRect(window_);
}

// The whole multiple the picture is drawn at now.
int SdlWindow::CurrentScale() {
  int width = 0, height = 0;
  if (SDL_GetRendererOutputSize(renderer_, &width, &height) != 0) return 1;
  return FitPicture(width, height).w / kPictureWidth;
}

}  // namespace kolvar
