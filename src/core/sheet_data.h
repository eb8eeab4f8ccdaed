// The graphics sheets compiled into the program from assets/art.
//
// Each sheet is a 256-colour picture: one palette index per pixel and a
// palette of 0xAARRGGBB colours. Masks already stand where the drawing code
// expects them (white where the picture is transparent, black where it is
// opaque; the picture itself is black where transparent).
#pragma once

#include <cstdint>

namespace kolvar {

// In the title sheet every picture's mask lies this far to its right.
inline constexpr int kTitleMaskOffset = 256;

struct IndexedImage {
  int width = 0;
  int height = 0;
  const uint8_t* indices = nullptr;   // width * height, rows top to bottom
  const uint32_t* palette = nullptr;  // 256 entries, 0xAARRGGBB
};

IndexedImage TitleSheetData();    // 512 x 368
IndexedImage ChrSheetData();      // 720 x 256
IndexedImage MapChipSheetData();  // 192 x 192
IndexedImage WindowIconData();    // 32 x 32; alpha 0 where transparent

}  // namespace kolvar
