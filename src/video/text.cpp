#include "video/text.h"

#include <cmath>

namespace kolvar {

int FontPixelSize(int points) {
  return static_cast<int>(std::lround(points * 96.0 / 72.0));
}

void PrintText(Platform& platform, Surface& surface, int x, int y, std::string_view text,
               int points) {
  const TextBitmap bitmap = platform.RenderText(text, FontPixelSize(points));
  for (int row = 0; row < bitmap.height; ++row) {
    for (int col = 0; col < bitmap.width; ++col) {
      if (bitmap.coverage[static_cast<size_t>(row) * bitmap.width + col] != 0) {
        surface.SetPixel(x + col, y + row, kWhite);
      }
    }
  }
}

}  // namespace kolvar
