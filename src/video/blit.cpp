#include "video/blit.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kolvar {

namespace {

// The pixels of `s` for writing the rectangle (dx, dy) + `c` only.
uint32_t* WritableIn(Surface& s, int dx, int dy, const Clip& c) {
  return s.data_within(dx + c.left, dy + c.top, dx + c.right, dy + c.bottom);
}

uint32_t* Row(uint32_t* pixels, const Surface& s, int x, int y) {
  return pixels + static_cast<std::ptrdiff_t>(y) * s.width() + x;
}

const uint32_t* Row(const Surface& s, int x, int y) {
  return s.data() + static_cast<std::ptrdiff_t>(y) * s.width() + x;
}

// out = (out AND mask) OR image for n pixels, four at a time where SSE2 is
// there. `mask` or `image` may be null: that step is left out. None of the
// rows may overlap `out` except by being it.
void CombineRow(uint32_t* out, const uint32_t* mask, const uint32_t* image, int n) {
  int i = 0;
#if defined(__SSE2__)
  for (; i + 4 <= n; i += 4) {
    __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + i));
    if (mask)
      pixels = _mm_and_si128(pixels, _mm_loadu_si128(reinterpret_cast<const __m128i*>(mask + i)));
    if (image)
      pixels = _mm_or_si128(pixels, _mm_loadu_si128(reinterpret_cast<const __m128i*>(image + i)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), pixels);
  }
#endif
  for (; i < n; ++i) {
    uint32_t pixel = out[i];
    if (mask) pixel &= mask[i];
    if (image) pixel |= image[i];
    out[i] = pixel;
  }
}

}  // namespace

void Blit(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx, int sy,
          RasterOp op) {
  // Trim the rectangle so that both its source and destination lie inside
  // their surfaces; the offsets keep source and destination pixels paired.
  const Clip c = ClipRect(dst, dx, dy, w, h, src, sx, sy);
  if (c.empty()) return;
  const int span = c.right - c.left;
  // Within one surface the rows are taken one pixel at a time, in order.
  const bool same = &dst == &src;
  uint32_t* pixels = WritableIn(dst, dx, dy, c);
  for (int row = c.top; row < c.bottom; ++row) {
    uint32_t* out = Row(pixels, dst, dx + c.left, dy + row);
    const uint32_t* in = Row(src, sx + c.left, sy + row);
    switch (op) {
      case RasterOp::kCopy:
        std::copy_n(in, span, out);
        break;
      case RasterOp::kAnd:
        if (same) {
          for (int i = 0; i < span; ++i) out[i] &= in[i];
        } else {
          CombineRow(out, in, nullptr, span);
        }
        break;
      case RasterOp::kOr:
        if (same) {
          for (int i = 0; i < span; ++i) out[i] |= in[i];
        } else {
          CombineRow(out, nullptr, in, span);
        }
        break;
    }
  }
}

void MaskedDraw(Surface& dst, int dx, int dy, int w, int h, const Surface& sheet, int image_x,
                int image_y, int mask_x, int mask_y) {
  const Clip mask = ClipRect(dst, dx, dy, w, h, sheet, mask_x, mask_y);
  const Clip image = ClipRect(dst, dx, dy, w, h, sheet, image_x, image_y);
  if (&dst == &sheet || !(mask == image)) {
    Blit(dst, dx, dy, w, h, sheet, mask_x, mask_y, RasterOp::kAnd);
    Blit(dst, dx, dy, w, h, sheet, image_x, image_y, RasterOp::kOr);
    return;
  }
  // Both steps in one pass over the destination: the same pixels as the
  // AND copy followed by the OR copy.
  if (mask.empty()) return;
  uint32_t* pixels = WritableIn(dst, dx, dy, mask);
  for (int row = mask.top; row < mask.bottom; ++row) {
    CombineRow(Row(pixels, dst, dx + mask.left, dy + row),
               Row(sheet, mask_x + mask.left, mask_y + row),
               Row(sheet, image_x + mask.left, image_y + row), mask.right - mask.left);
  }
}

void MaskedDraw(Surface& dst, int dx, int dy, const Surface& sheet, const SheetPicture& picture) {
  MaskedDraw(dst, dx, dy, picture.width, picture.height, sheet, picture.x, picture.y,
             picture.mask_x, picture.mask_y);
}

}  // namespace kolvar
