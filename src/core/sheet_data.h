// The graphics sheets compiled into the program from assets/art.
//
// Each sheet is a 256-colour picture: one palette index per pixel and a
// palette of 0xAARRGGBB colours. Masks already stand where the drawing code
// expects them (white where the picture is transparent, black where it is
// opaque; the picture itself is black where transparent).
#pragma once

#include <cstdint>

namespace kolvar {

// Where a picture lies on its sheet: its rectangle and, for a picture drawn
// masked, the top left of its mask, a rectangle of the same size. sheetc
// writes one for every picture of assets/art/layout.txt into the generated
// header core/sheet_layout.h (namespace kolvar::art, kLogo for "logo",
// kChrSlime for "chr_slime"), so the drawing code never repeats the layout.
struct SheetPicture {
  int x = 0, y = 0, width = 0, height = 0;
  int mask_x = -1, mask_y = -1;  // -1: the picture has no mask
};

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
