#include "video/blit.h"

#include <algorithm>

namespace kolvar {

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
