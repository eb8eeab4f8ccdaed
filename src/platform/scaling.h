// Whole-number scaling of the 320 x 240 picture: which multiple a window
// opens at, and where the picture sits in a window of any size.
#pragma once

#include <cstdint>

namespace kolvar {

inline constexpr int kPictureWidth = 320;
inline constexpr int kPictureHeight = 240;

// The scale a window opens at when nothing asks for one.
inline constexpr int kMostDefaultScale = 3;

struct PixelRect {
  int x = 0, y = 0, w = 0, h = 0;
};

// The largest whole multiple of the picture that fits in a drawable of
// `width` x `height` pixels, centred; never less than 1 (a drawable smaller
// than the picture shows its top-left part).
PixelRect FitPicture(int width, int height);

// The largest scale whose window, with room for its frame and caption,
// fits in the usable part of a display of `width` x `height`; at least 1.
int LargestFittingScale(int width, int height);

// The scale to open at: `requested` (0 when nobody asked) capped to what
// fits; without a request the largest that fits, at most kMostDefaultScale.
int ChooseScale(int requested, int display_width, int display_height);

// Draws the 320 x 240 `picture` at whole-number `scale` into `out` (its
// top-left pixel), whose rows are `out_pitch` pixels apart: each pixel
// becomes a scale x scale square. Only the picture's rows `first_row` to
// `end_row` - 1 are drawn; nothing outside their squares is written.
void ScalePicture(const uint32_t* picture, int scale, uint32_t* out, int out_pitch,
                  int first_row = 0, int end_row = kPictureHeight);

}  // namespace kolvar
