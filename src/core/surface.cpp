#include "core/surface.h"

#include <algorithm>
#include <utility>

namespace kolvar {

Surface::Surface(int width, int height, uint32_t background)
    : width_(width),
      height_(height),
      background_(background),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), background) {}

void SurfaceDamage::Add(int left, int top, int right, int bottom) {
  if (anywhere || left >= right || top >= bottom) return;
  for (int i = 0; i < count; ++i) {
    const Rect& r = rects[static_cast<size_t>(i)];
    if (left >= r.left && top >= r.top && right <= r.right && bottom <= r.bottom) return;
  }
  if (count < kKept) {
    rects[static_cast<size_t>(count++)] = {left, top, right, bottom};
    return;
  }
  // No room: the last rectangle grows to hold this one too.
  Rect& last = rects[kKept - 1];
  last = {std::min(last.left, left), std::min(last.top, top), std::max(last.right, right),
          std::max(last.bottom, bottom)};
}

Surface& Surface::operator=(const Surface& other) {
  width_ = other.width_;
  height_ = other.height_;
  background_ = other.background_;
  pixels_ = other.pixels_;
  damage_ = SurfaceDamage{};
  return *this;
}

Surface& Surface::operator=(Surface&& other) {
  width_ = other.width_;
  height_ = other.height_;
  background_ = other.background_;
  pixels_ = std::move(other.pixels_);
  damage_ = SurfaceDamage{};
  return *this;
}

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
  damage_.anywhere = true;
  std::fill(pixels_.begin(), pixels_.end(), background_);
}

void Surface::FillRect(int x, int y, int w, int h, uint32_t colour) {
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = std::min(x + w, width_), y1 = std::min(y + h, height_);
  damage_.Add(x0, y0, x1, y1);
  for (int row = y0; row < y1; ++row) {
    std::fill_n(pixels_.begin() + static_cast<std::ptrdiff_t>(row) * width_ + x0,
                std::max(0, x1 - x0), colour);
  }
}

}  // namespace kolvar
