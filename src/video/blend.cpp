#include "video/blend.h"

#include <algorithm>
#include <cmath>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kolvar {

namespace {

struct Fractions {
  float f = 0, g = 0;
};

// The product is taken in double and only then held in single precision:
// at 10 % that is 0.1000000015, where a single-precision product would give
// 0.0999999940 and round 216 of the byte pairs one lower.
std::optional<Fractions> FractionsOf(float percent) {
  const float f = static_cast<float>(static_cast<double>(percent) * 0.01);
  if (!(f >= 0.0f && f <= 1.0f)) return std::nullopt;
  return Fractions{f, 1.0f - f};
}

// Walks the rows of the part of the rectangle inside both surfaces.
template <typename BlendRow>
void ForEachRow(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx, int sy,
                BlendRow blend_row) {
  const Clip span = ClipRect(dst, dx, dy, w, h, src, sx, sy);
  for (int row = span.top; row < span.bottom; ++row) {
    uint32_t* out =
        dst.data() + static_cast<std::ptrdiff_t>(dy + row) * dst.width() + dx + span.left;
    const uint32_t* in =
        src.data() + static_cast<std::ptrdiff_t>(sy + row) * src.width() + sx + span.left;
    blend_row(out, in, span.right - span.left);
  }
}

uint32_t MixChannel(uint32_t source, uint32_t dest, Fractions fr) {
  // Double precision gives what extended precision gives: each product of
  // a byte and a single is exact, and so is their sum unless f is below
  // 2^-22, where the mix lies within 10^-4 of a whole number and a last-bit
  // rounding cannot carry it across a half.
  const double mixed =
      static_cast<double>(source) * fr.f + static_cast<double>(dest) * static_cast<double>(fr.g);
  // nearbyint rounds with the default mode: to nearest, ties to even.
  const double rounded = std::nearbyint(mixed);
  return static_cast<uint32_t>(std::clamp(rounded, 0.0, 255.0));
}

// The integer form. Both fractions are held exactly as F / 2^30 and
// G / 2^30, each split into 15-bit halves so that a channel's mix is two
// sums of 16-bit products:
//   N = s*F + d*G = H * 2^15 + L,  H = s*Fh + d*Gh,  L = s*Fl + d*Gl.
// With M = H + (L >> 15) the mix is (M * 2^15 + (L & 0x7FFF)) / 2^30, whose
// integer part is M >> 15, and (M + 0x4000) >> 15 rounds it to nearest with
// ties going up. A tie needs L & 0x7FFF to be zero; taking one off M + 0x4000
// when that is so and the integer part is even turns exactly those ties down
// to the even value and moves nothing else:
//   result = (M + 0x4000 - z) >> 15,  z = (L & 0x7FFF) == 0 && (M & 0x8000) == 0.
constexpr int kFixedBits = 30;

struct FixedWeights {
  uint32_t f_high, f_low, g_high, g_low;
};

std::optional<FixedWeights> FixedWeightsOf(Fractions fr) {
  const double f = std::ldexp(static_cast<double>(fr.f), kFixedBits);
  const double g = std::ldexp(static_cast<double>(fr.g), kFixedBits);
  // The high halves must fit a signed 16-bit multiplier: 1.0 itself (0 %
  // and 100 %) does not, nor does a fraction with bits below 2^-30.
  constexpr double kLimit = 1 << kFixedBits;
  if (f != std::floor(f) || g != std::floor(g) || f >= kLimit || g >= kLimit) return std::nullopt;
  const auto fi = static_cast<uint32_t>(f), gi = static_cast<uint32_t>(g);
  return FixedWeights{fi >> 15, fi & 0x7FFF, gi >> 15, gi & 0x7FFF};
}

uint32_t MixFixed(uint32_t s, uint32_t d, const FixedWeights& w) {
  const uint32_t high = s * w.f_high + d * w.g_high;
  const uint32_t low = s * w.f_low + d * w.g_low;
  const uint32_t m = high + (low >> 15);
  const uint32_t z = (low & 0x7FFF) == 0 && (m & 0x8000) == 0;
  return (m + 0x4000 - z) >> 15;
}

void BlendRowFixed(uint32_t* out, const uint32_t* in, int n, const FixedWeights& w) {
  int i = 0;
#if defined(__SSE2__)
  // Each 32-bit lane of a multiply-add holds one channel: the 16-bit words
  // (s, d) against (Fh, Gh) and against (Fl, Gl).
  const __m128i high_weights = _mm_set1_epi32(static_cast<int>(w.g_high << 16 | w.f_high));
  const __m128i low_weights = _mm_set1_epi32(static_cast<int>(w.g_low << 16 | w.f_low));
  const __m128i low_mask = _mm_set1_epi32(0x7FFF);
  const __m128i even_mask = _mm_set1_epi32(0x8000);
  const __m128i half = _mm_set1_epi32(0x4000);
  const __m128i rgb = _mm_set1_epi32(0xFFFFFF);
  const __m128i zero = _mm_setzero_si128();
  auto mix = [&](__m128i pairs) {
    const __m128i high = _mm_madd_epi16(pairs, high_weights);
    const __m128i low = _mm_madd_epi16(pairs, low_weights);
    const __m128i m = _mm_add_epi32(high, _mm_srli_epi32(low, 15));
    // All ones (minus one) where z holds.
    const __m128i minus_z = _mm_cmpeq_epi32(
        _mm_or_si128(_mm_and_si128(low, low_mask), _mm_and_si128(m, even_mask)), zero);
    return _mm_srli_epi32(_mm_add_epi32(_mm_add_epi32(m, half), minus_z), 15);
  };
  for (; i + 4 <= n; i += 4) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + i));
    // Bytes s0 d0 s1 d1 ..., then widened to the words (s, d) of each channel.
    const __m128i sd_lo = _mm_unpacklo_epi8(s, d), sd_hi = _mm_unpackhi_epi8(s, d);
    const __m128i r0 = mix(_mm_unpacklo_epi8(sd_lo, zero));
    const __m128i r1 = mix(_mm_unpackhi_epi8(sd_lo, zero));
    const __m128i r2 = mix(_mm_unpacklo_epi8(sd_hi, zero));
    const __m128i r3 = mix(_mm_unpackhi_epi8(sd_hi, zero));
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(r0, r1), _mm_packs_epi32(r2, r3));
    // The unused top byte stays clear, as in every other pixel.
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_and_si128(bytes, rgb));
  }
#endif
  for (; i < n; ++i) {
    const uint32_t s = in[i], d = out[i];
    out[i] = MixFixed(s >> 16 & 0xFF, d >> 16 & 0xFF, w) << 16 |
             MixFixed(s >> 8 & 0xFF, d >> 8 & 0xFF, w) << 8 | MixFixed(s & 0xFF, d & 0xFF, w);
  }
}

}  // namespace

void BlendRectReference(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx,
                        int sy, float percent) {
  const std::optional<Fractions> fr = FractionsOf(percent);
  if (!fr) return;
  ForEachRow(dst, dx, dy, w, h, src, sx, sy, [&](uint32_t* out, const uint32_t* in, int n) {
    for (int i = 0; i < n; ++i) {
      const uint32_t s = in[i], d = out[i];
      out[i] = MixChannel(s >> 16 & 0xFF, d >> 16 & 0xFF, *fr) << 16 |
               MixChannel(s >> 8 & 0xFF, d >> 8 & 0xFF, *fr) << 8 |
               MixChannel(s & 0xFF, d & 0xFF, *fr);
    }
  });
}

void BlendRect(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx, int sy,
               float percent) {
  const std::optional<Fractions> fr = FractionsOf(percent);
  if (!fr) return;
  const std::optional<FixedWeights> weights = FixedWeightsOf(*fr);
  if (!weights) {
    BlendRectReference(dst, dx, dy, w, h, src, sx, sy, percent);
    return;
  }
  ForEachRow(dst, dx, dy, w, h, src, sx, sy, [&](uint32_t* out, const uint32_t* in, int n) {
    BlendRowFixed(out, in, n, *weights);
  });
}

}  // namespace kolvar
