// The memory behind pointer polls, shared by the backends: where the mouse
// or finger is in the picture's pixels, whether it is down, and what it did
// since the last look.
#pragma once

#include "platform/platform.h"
#include "platform/scaling.h"

namespace kolvar {

class PointerTracker {
 public:
  // The pointer is at (x, y) in the picture's pixels (clamped to it).
  void Move(int x, int y, bool touch);
  // The main button or a finger went down or up at (x, y).
  void Press(int x, int y, bool touch);
  void Release(int x, int y, bool touch);
  // The state now; clears `pressed` and `released`.
  PointerState Poll();

 private:
  PointerState state_;
};

// The picture pixel under the point (x, y) of a drawable in which the
// picture is shown at `fit` (FitPicture), clamped to the picture.
void PicturePixelAt(const PixelRect& fit, int x, int y, int* picture_x, int* picture_y);

}  // namespace kolvar
