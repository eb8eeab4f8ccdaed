#include "core/surface.h"

#include <algorithm>

namespace kolvar {

Surface::Surface(int width, int height, uint32_t background)
    : width_(width),
      height_(height),
      background_(background),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), background) {}

Surface Surface::FromIndexed(const IndexedImage& image) {
  Surface surface(image.width, image.height);
  const size_t count =
      static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
  for (size_t i = 0; i < count; ++i) {
    surface.pixels_[i] = image.palette[image.indices[i]] & 0xFFFFFFu;
  }
  return surface;
}

void Surface::Clear() {
  std::fill(pixels_.begin(), pixels_.end(), background_);
}

void Surface::FillRect(int x, int y, int w, int h, uint32_t colour) {
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = std::min(x + w, width_), y1 = std::min(y + h, height_);
  for (int row = y0; row < y1; ++row) {
    std::fill_n(pixels_.begin() + static_cast<std::ptrdiff_t>(row) * width_ + x0,
                std::max(0, x1 - x0), colour);
  }
}

}  // namespace kolvar
