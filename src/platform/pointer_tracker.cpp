#include "platform/pointer_tracker.h"

#include <algorithm>

namespace kolvar {

void PointerTracker::Move(int x, int y, bool touch) {
  state_.seen = true;
  state_.x = std::clamp(x, 0, kPictureWidth - 1);
  state_.y = std::clamp(y, 0, kPictureHeight - 1);
  state_.touch = touch;
}

void PointerTracker::Press(int x, int y, bool touch) {
  Move(x, y, touch);
  state_.down = true;
  state_.pressed = true;
}

void PointerTracker::Release(int x, int y, bool touch) {
  Move(x, y, touch);
  if (state_.down) state_.released = true;
  state_.down = false;
}

PointerState PointerTracker::Poll() {
  const PointerState now = state_;
  state_.pressed = false;
  state_.released = false;
  return now;
}

void PicturePixelAt(const PixelRect& fit, int x, int y, int* picture_x, int* picture_y) {
  const int w = std::max(fit.w, 1), h = std::max(fit.h, 1);
  // Floor division: a point left of the picture is off it, not pixel 0's.
  const auto below = [](long long a, long long b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
  *picture_x =
      std::clamp(static_cast<int>(below(static_cast<long long>(x - fit.x) * kPictureWidth, w)), 0,
                 kPictureWidth - 1);
  *picture_y =
      std::clamp(static_cast<int>(below(static_cast<long long>(y - fit.y) * kPictureHeight, h)), 0,
                 kPictureHeight - 1);
}

}  // namespace kolvar
