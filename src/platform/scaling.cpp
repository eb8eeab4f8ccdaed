#include "platform/scaling.h"

#include <algorithm>
#include <cstring>

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

// Each row is widened once; its copies below are whole-row copies.
void ScalePicture(const uint32_t* picture, int scale, uint32_t* out, int out_pitch, int first_row,
                  int end_row) {
  const size_t row_bytes = sizeof(uint32_t) * static_cast<size_t>(kPictureWidth) * scale;
  for (int y = std::max(first_row, 0); y < std::min(end_row, kPictureHeight); ++y) {
    const uint32_t* in = picture + static_cast<size_t>(y) * kPictureWidth;
    uint32_t* first = out + static_cast<size_t>(y) * scale * out_pitch;
    uint32_t* at = first;
    for (int x = 0; x < kPictureWidth; ++x) at = std::fill_n(at, scale, in[x]);
    for (int copy = 1; copy < scale; ++copy) {
      std::memcpy(first + static_cast<size_t>(copy) * out_pitch, first, row_bytes);
    }
  }
}

}  // namespace kolvar
