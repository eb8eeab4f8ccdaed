#include "platform/scaling.h"

#include <algorithm>

namespace kolvar {

namespace {

// Room left around a window for its frame, the caption and a desktop's
// panels, so that a window of the chosen scale is not pressed against the
// display's edges.
constexpr int kFrameRoomX = 32;
constexpr int kFrameRoomY = 64;

}  // namespace

PixelRect FitPicture(int width, int height) {
  const int scale = std::max(1, std::min(width / kPictureWidth, height / kPictureHeight));
  PixelRect rect;
  rect.w = kPictureWidth * scale;
  rect.h = kPictureHeight * scale;
  rect.x = std::max(0, (width - rect.w) / 2);
  rect.y = std::max(0, (height - rect.h) / 2);
  return rect;
}

int LargestFittingScale(int width, int height) {
  return std::max(
      1, std::min((width - kFrameRoomX) / kPictureWidth, (height - kFrameRoomY) / kPictureHeight));
}

int ChooseScale(int requested, int display_width, int display_height) {
  const int fitting = LargestFittingScale(display_width, display_height);
  if (requested <= 0) return std::min(fitting, kMostDefaultScale);
  return std::min(requested, fitting);
}

}  // namespace kolvar
