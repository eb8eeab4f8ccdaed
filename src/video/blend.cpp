#include "video/blend.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Eight pixels a step where the processor has AVX2, chosen while running,
// so the program still starts on any x86-64.
#if defined(__GNUC__) && defined(__x86_64__)
#define KOLVAR_BLEND_AVX2 1
#include <immintrin.h>
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

// Whether some pair of bytes mixes to exactly half-way between two whole
// numbers: s*F + d*G = 2^29 modulo 2^30. Without such a pair, rounding ties
// to even never comes into play and the cheaper rounding half up gives the
// same bytes. Of the whole percentages 1..99, sixteen have such a pair (10 %
// has eight, 25, 50 and 75 thousands; 40 % none).
//
// For each d the s that would make a tie is found by solving the congruence
// s*F = R (mod 2^30), R = 2^29 - d*G: with F = 2^a * F' and F' odd, R must
// be a multiple of 2^a and s = (R / 2^a) * F'^-1 modulo 2^(30 - a); a tie
// needs that smallest solution to be a byte.
bool SomePairTies(const FixedWeights& w) {
  constexpr uint64_t kOne = uint64_t{1} << kFixedBits;
  constexpr uint64_t kHalf = kOne >> 1;
  const uint64_t f = uint64_t{w.f_high} << 15 | w.f_low;
  const uint64_t g = uint64_t{w.g_high} << 15 | w.g_low;
  if (f == 0) {
    // s plays no part: a tie is d*G = 2^29 (mod 2^30) for some byte d.
    for (uint64_t d = 0; d < 256; ++d) {
      if (((d * g) & (kOne - 1)) == kHalf) return true;
    }
    return false;
  }
  const int a = std::countr_zero(f);
  const uint64_t odd = f >> a;
  const uint64_t modulus_mask = (kOne >> a) - 1;
  // The inverse of an odd number modulo 2^64 by Newton's steps: each doubles
  // the bits that are right, from the three that x = odd already has.
  uint64_t inverse = odd;
  for (int step = 0; step < 5; ++step) inverse *= 2 - odd * inverse;
  for (uint64_t d = 0; d < 256; ++d) {
    const uint64_t r = (kHalf - d * g) & (kOne - 1);
    if ((r & ((uint64_t{1} << a) - 1)) != 0) continue;
    const uint64_t s = ((r >> a) * inverse) & modulus_mask;
    if (s < 256) return true;
  }
  return false;
}

// Which rounding a row needs: to nearest with ties to even, or (when no
// pair of bytes can tie) simply half up, which takes five steps fewer.
enum class Ties { kToEven, kNone };

#if defined(KOLVAR_BLEND_AVX2)
bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

// The SSE2 steps below, on both 128-bit halves of a register at once: each
// step works within a half, so the pixels come out in their order.
template <Ties kTies>
__attribute__((target("avx2"))) __m256i MixAvx2(__m256i pairs, __m256i high_weights,
                                                __m256i low_weights) {
  const __m256i high = _mm256_madd_epi16(pairs, high_weights);
  const __m256i low = _mm256_madd_epi16(pairs, low_weights);
  const __m256i m = _mm256_add_epi32(high, _mm256_srli_epi32(low, 15));
  const __m256i half = _mm256_set1_epi32(0x4000);
  if constexpr (kTies == Ties::kNone) {
    return _mm256_srli_epi32(_mm256_add_epi32(m, half), 15);
  } else {
    const __m256i minus_z =
        _mm256_cmpeq_epi32(_mm256_or_si256(_mm256_and_si256(low, _mm256_set1_epi32(0x7FFF)),
                                           _mm256_and_si256(m, _mm256_set1_epi32(0x8000))),
                           _mm256_setzero_si256());
    return _mm256_srli_epi32(_mm256_add_epi32(_mm256_add_epi32(m, half), minus_z), 15);
  }
}

// Blends the row's pixels eight at a time; returns how many it did.
template <Ties kTies>
__attribute__((target("avx2"))) int BlendRowFixedAvx2(uint32_t* out, const uint32_t* in, int n,
                                                      const FixedWeights& w) {
  const __m256i high_weights = _mm256_set1_epi32(static_cast<int>(w.g_high << 16 | w.f_high));
  const __m256i low_weights = _mm256_set1_epi32(static_cast<int>(w.g_low << 16 | w.f_low));
  const __m256i rgb = _mm256_set1_epi32(0xFFFFFF);
  const __m256i zero = _mm256_setzero_si256();
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i));
    const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + i));
    const __m256i sd_lo = _mm256_unpacklo_epi8(s, d), sd_hi = _mm256_unpackhi_epi8(s, d);
    const __m256i r0 = MixAvx2<kTies>(_mm256_unpacklo_epi8(sd_lo, zero), high_weights, low_weights);
    const __m256i r1 = MixAvx2<kTies>(_mm256_unpackhi_epi8(sd_lo, zero), high_weights, low_weights);
    const __m256i r2 = MixAvx2<kTies>(_mm256_unpacklo_epi8(sd_hi, zero), high_weights, low_weights);
    const __m256i r3 = MixAvx2<kTies>(_mm256_unpackhi_epi8(sd_hi, zero), high_weights, low_weights);
    const __m256i bytes =
        _mm256_packus_epi16(_mm256_packs_epi32(r0, r1), _mm256_packs_epi32(r2, r3));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_and_si256(bytes, rgb));
  }
  return i;
}
#endif

template <Ties kTies>
void BlendRowFixed(uint32_t* out, const uint32_t* in, int n, const FixedWeights& w) {
  int i = 0;
#if defined(KOLVAR_BLEND_AVX2)
  if (HasAvx2()) i = BlendRowFixedAvx2<kTies>(out, in, n, w);
#endif
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
    if constexpr (kTies == Ties::kNone) {
      return _mm_srli_epi32(_mm_add_epi32(m, half), 15);
    } else {
      // All ones (minus one) where z holds.
      const __m128i minus_z = _mm_cmpeq_epi32(
          _mm_or_si128(_mm_and_si128(low, low_mask), _mm_and_si128(m, even_mask)), zero);
      return _mm_srli_epi32(_mm_add_epi32(_mm_add_epi32(m, half), minus_z), 15);
    }
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

// Half and half: each channel is (s + d) / 2, a tie whenever s + d is odd,
// going to the even one of its neighbours. The byte average rounds up,
// (s + d + 1) / 2, which is one too many exactly when s + d is odd and that
// average is odd.
void BlendRowHalf(uint32_t* out, const uint32_t* in, int n) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i ones = _mm_set1_epi8(1);
  const __m128i rgb = _mm_set1_epi32(0xFFFFFF);
  for (; i + 4 <= n; i += 4) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + i));
    const __m128i up = _mm_avg_epu8(s, d);
    const __m128i one_over = _mm_and_si128(_mm_and_si128(_mm_xor_si128(s, d), up), ones);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                     _mm_and_si128(_mm_sub_epi8(up, one_over), rgb));
  }
#endif
  for (; i < n; ++i) {
    const uint32_t s = in[i], d = out[i];
    const uint32_t up = ((s | d) & 0x010101) + (s >> 1 & 0x7F7F7F) + (d >> 1 & 0x7F7F7F);
    out[i] = up - ((s ^ d) & up & 0x010101);
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
  // 0 % keeps the destination and 100 % copies the source, each channel
  // exactly (s x 0 + d x 1 is d); the top byte is cleared as in any blend.
  if (fr->f == 0.0f || fr->g == 0.0f) {
    const bool copy = fr->g == 0.0f;
    ForEachRow(dst, dx, dy, w, h, src, sx, sy, [&](uint32_t* out, const uint32_t* in, int n) {
      if (copy) {
        for (int i = 0; i < n; ++i) out[i] = in[i] & kWhite;
      } else {
        for (int i = 0; i < n; ++i) out[i] &= kWhite;
      }
    });
    return;
  }
  if (fr->f == 0.5f && fr->g == 0.5f) {
    ForEachRow(dst, dx, dy, w, h, src, sx, sy, BlendRowHalf);
    return;
  }
  const std::optional<FixedWeights> weights = FixedWeightsOf(*fr);
  if (!weights) {
    BlendRectReference(dst, dx, dy, w, h, src, sx, sy, percent);
    return;
  }
  if (SomePairTies(*weights)) {
    ForEachRow(dst, dx, dy, w, h, src, sx, sy, [&](uint32_t* out, const uint32_t* in, int n) {
      BlendRowFixed<Ties::kToEven>(out, in, n, *weights);
    });
  } else {
    ForEachRow(dst, dx, dy, w, h, src, sx, sy, [&](uint32_t* out, const uint32_t* in, int n) {
      BlendRowFixed<Ties::kNone>(out, in, n, *weights);
    });
  }
}

}  // namespace kolvar
