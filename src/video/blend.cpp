#include "video/blend.h"

#include <algorithm>
#include <cmath>

namespace kolvar {

namespace {

uint32_t MixChannel(uint32_t source, uint32_t dest, float f, float g) {
  const double mixed = static_cast<double>(source) * static_cast<double>(f) +
                       static_cast<double>(dest) * static_cast<double>(g);
  // nearbyint rounds with the default mode: to nearest, ties to even.
  const double rounded = std::nearbyint(mixed);
  return static_cast<uint32_t>(std::clamp(rounded, 0.0, 255.0));
}

}  // namespace

void BlendRect(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx, int sy,
               float percent) {
  // The product is taken in double and only then held in single precision:
  // at 10 % that is 0.1000000015, where a single-precision product would give
  // 0.0999999940 and round 216 of the byte pairs one lower.
  const float f = static_cast<float>(static_cast<double>(percent) * 0.01);
  if (!(f >= 0.0f && f <= 1.0f)) return;
  const float g = 1.0f - f;

  const int left = std::max({0, -dx, -sx});
  const int top = std::max({0, -dy, -sy});
  const int right = std::min({w, dst.width() - dx, src.width() - sx});
  const int bottom = std::min({h, dst.height() - dy, src.height() - sy});
  for (int row = top; row < bottom; ++row) {
    uint32_t* out = dst.data() + static_cast<std::ptrdiff_t>(dy + row) * dst.width() + dx + left;
    const uint32_t* in =
        src.data() + static_cast<std::ptrdiff_t>(sy + row) * src.width() + sx + left;
    for (int col = 0; col < right - left; ++col) {
      const uint32_t s = in[col], d = out[col];
      out[col] = MixChannel(s >> 16 & 0xFF, d >> 16 & 0xFF, f, g) << 16 |
                 MixChannel(s >> 8 & 0xFF, d >> 8 & 0xFF, f, g) << 8 |
                 MixChannel(s & 0xFF, d & 0xFF, f, g);
    }
  }
}

}  // namespace kolvar
