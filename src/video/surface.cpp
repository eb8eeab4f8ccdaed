#include "video/surface.h"

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

void Blit(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx, int sy,
          RasterOp op) {
  // Trim the rectangle so that both its source and destination lie inside
  // their surfaces; the offsets keep source and destination pixels paired.
  int left = std::max({0, -dx, -sx});
  int top = std::max({0, -dy, -sy});
  int right = std::min({w, dst.width() - dx, src.width() - sx});
  int bottom = std::min({h, dst.height() - dy, src.height() - sy});
  if (left >= right || top >= bottom) return;
  const int span = right - left;
  for (int row = top; row < bottom; ++row) {
    uint32_t* out = dst.data() + static_cast<std::ptrdiff_t>(dy + row) * dst.width() + dx + left;
    const uint32_t* in =
        src.data() + static_cast<std::ptrdiff_t>(sy + row) * src.width() + sx + left;
    switch (op) {
      case RasterOp::kCopy:
        std::copy_n(in, span, out);
        break;
      case RasterOp::kAnd:
        for (int i = 0; i < span; ++i) out[i] &= in[i];
        break;
      case RasterOp::kOr:
        for (int i = 0; i < span; ++i) out[i] |= in[i];
        break;
    }
  }
}

void MaskedDraw(Surface& dst, int dx, int dy, int w, int h, const Surface& sheet, int image_x,
                int image_y, int mask_x, int mask_y) {
  Blit(dst, dx, dy, w, h, sheet, mask_x, mask_y, RasterOp::kAnd);
  Blit(dst, dx, dy, w, h, sheet, image_x, image_y, RasterOp::kOr);
}

}  // namespace kolvar
