// The writer's colour conversion: a row pair at a time, eight columns a step with
// SSSE3 where the processor has it, the same arithmetic one pixel pair at a time for
// the rest of a row and elsewhere, so that every machine writes the same planes.
// libswscale's own bgr24 to 4:2:0 path costs about twice as much and strays
// further from the exact conversion.
#include "picture_to_yuv420.h"

#include "x86_vectors.h"

namespace wmf {

namespace {

// BT.601 studio range scaled by 2^15: luma per pixel, chroma per sum of four pixels.
constexpr int kYr = 8414, kYg = 16519, kYb = 3208;
constexpr int kUr = -4857, kUg = -9535, kUb = 14392;
constexpr int kVr = 14392, kVg = -12052, kVb = -2340;
constexpr int kLumaAdd = (16 << 15) + (1 << 14), kChromaAdd = (128 << 17) + (1 << 16);

uint8_t Clamp(int value) { return static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value); }

struct RowPair {
  const uint8_t *upper, *lower;  // the same row for an odd picture's last
  uint8_t *upperLuma, *lowerLuma, *u, *v;
};

// Columns [x, width), two a step; an odd width's last pixel stands in for its pair.
void ConvertPairs(const RowPair &rows, int x, int width) {
  for (; x < width; x += 2) {
    const int right = x + 1 < width ? 3 : 0;
    const uint8_t *pixels[4] = {rows.upper + 3 * x, rows.upper + 3 * x + right, rows.lower + 3 * x,
                                rows.lower + 3 * x + right};
    uint8_t *luma[4] = {rows.upperLuma + x, rows.upperLuma + x + 1, rows.lowerLuma + x, rows.lowerLuma + x + 1};
    int b = 0, g = 0, r = 0;
    for (int i = 0; i < 4; ++i) {
      const uint8_t *p = pixels[i];
      b += p[0];
      g += p[1];
      r += p[2];
      *luma[i] = Clamp((kYr * p[2] + kYg * p[1] + kYb * p[0] + kLumaAdd) >> 15);
    }
    rows.u[x / 2] = Clamp((kUr * r + kUg * g + kUb * b + kChromaAdd) >> 17);
    rows.v[x / 2] = Clamp((kVr * r + kVg * g + kVb * b + kChromaAdd) >> 17);
  }
}

}  // namespace

}  // namespace wmf

#ifdef QV_X86_VECTORS
#include <immintrin.h>

namespace wmf {
namespace {

// Blue and green pairs times their weights plus red times its own, four pixels.
__attribute__((target("ssse3"))) inline __m128i Weighted(__m128i bg, __m128i r, __m128i blueGreen, __m128i red) {
  return _mm_add_epi32(_mm_madd_epi16(bg, blueGreen), _mm_madd_epi16(r, red));
}

// Eight columns of both rows a step; returns the first column left for ConvertPairs.
// Each step reads 24 bytes of a row, as two loads of 16 at 0 and 8, never past the
// eighth pixel.
__attribute__((target("ssse3"))) int ConvertEights(const RowPair &rows, int width) {
  // Blue and green of pixels 0-3 as 16-bit pairs, red as 32-bit values; the second
  // load holds pixels 4-7 four bytes in.
  const __m128i blueGreen = _mm_setr_epi8(0, -1, 1, -1, 3, -1, 4, -1, 6, -1, 7, -1, 9, -1, 10, -1);
  const __m128i red = _mm_setr_epi8(2, -1, -1, -1, 5, -1, -1, -1, 8, -1, -1, -1, 11, -1, -1, -1);
  const __m128i blueGreenOn = _mm_setr_epi8(4, -1, 5, -1, 7, -1, 8, -1, 10, -1, 11, -1, 13, -1, 14, -1);
  const __m128i redOn = _mm_setr_epi8(6, -1, -1, -1, 9, -1, -1, -1, 12, -1, -1, -1, 15, -1, -1, -1);
  const __m128i yBG = _mm_setr_epi16(kYb, kYg, kYb, kYg, kYb, kYg, kYb, kYg);
  const __m128i yR = _mm_setr_epi16(kYr, 0, kYr, 0, kYr, 0, kYr, 0);
  const __m128i uBG = _mm_setr_epi16(kUb, kUg, kUb, kUg, kUb, kUg, kUb, kUg);
  const __m128i uR = _mm_setr_epi16(kUr, 0, kUr, 0, kUr, 0, kUr, 0);
  const __m128i vBG = _mm_setr_epi16(kVb, kVg, kVb, kVg, kVb, kVg, kVb, kVg);
  const __m128i vR = _mm_setr_epi16(kVr, 0, kVr, 0, kVr, 0, kVr, 0);
  const __m128i lumaAdd = _mm_set1_epi32(kLumaAdd), chromaAdd = _mm_set1_epi32(kChromaAdd);
  int x = 0;
  for (; x + 8 <= width; x += 8) {
    const uint8_t *upper = rows.upper + 3 * x, *lower = rows.lower + 3 * x;
    const __m128i upperA = _mm_loadu_si128(reinterpret_cast<const __m128i *>(upper));
    const __m128i upperB = _mm_loadu_si128(reinterpret_cast<const __m128i *>(upper + 8));
    const __m128i lowerA = _mm_loadu_si128(reinterpret_cast<const __m128i *>(lower));
    const __m128i lowerB = _mm_loadu_si128(reinterpret_cast<const __m128i *>(lower + 8));
    const __m128i bgUpperA = _mm_shuffle_epi8(upperA, blueGreen), rUpperA = _mm_shuffle_epi8(upperA, red);
    const __m128i bgUpperB = _mm_shuffle_epi8(upperB, blueGreenOn), rUpperB = _mm_shuffle_epi8(upperB, redOn);
    const __m128i bgLowerA = _mm_shuffle_epi8(lowerA, blueGreen), rLowerA = _mm_shuffle_epi8(lowerA, red);
    const __m128i bgLowerB = _mm_shuffle_epi8(lowerB, blueGreenOn), rLowerB = _mm_shuffle_epi8(lowerB, redOn);
    const __m128i upperLuma =
        _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(Weighted(bgUpperA, rUpperA, yBG, yR), lumaAdd), 15),
                        _mm_srai_epi32(_mm_add_epi32(Weighted(bgUpperB, rUpperB, yBG, yR), lumaAdd), 15));
    const __m128i lowerLuma =
        _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(Weighted(bgLowerA, rLowerA, yBG, yR), lumaAdd), 15),
                        _mm_srai_epi32(_mm_add_epi32(Weighted(bgLowerB, rLowerB, yBG, yR), lumaAdd), 15));
    _mm_storel_epi64(reinterpret_cast<__m128i *>(rows.upperLuma + x), _mm_packus_epi16(upperLuma, upperLuma));
    _mm_storel_epi64(reinterpret_cast<__m128i *>(rows.lowerLuma + x), _mm_packus_epi16(lowerLuma, lowerLuma));

    // The rows summed, then neighbouring columns: each 2x2 block's sums.
    const __m128i bgA = _mm_add_epi16(bgUpperA, bgLowerA), rA = _mm_add_epi16(rUpperA, rLowerA);
    const __m128i bgB = _mm_add_epi16(bgUpperB, bgLowerB), rB = _mm_add_epi16(rUpperB, rLowerB);
    const __m128i u4 = _mm_hadd_epi32(Weighted(bgA, rA, uBG, uR), Weighted(bgB, rB, uBG, uR));
    const __m128i v4 = _mm_hadd_epi32(Weighted(bgA, rA, vBG, vR), Weighted(bgB, rB, vBG, vR));
    const __m128i uv = _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(u4, chromaAdd), 17),
                                       _mm_srai_epi32(_mm_add_epi32(v4, chromaAdd), 17));
    const __m128i bytes = _mm_packus_epi16(uv, uv);
    const int u = _mm_cvtsi128_si32(bytes), v = _mm_cvtsi128_si32(_mm_srli_si128(bytes, 4));
    __builtin_memcpy(rows.u + x / 2, &u, 4);
    __builtin_memcpy(rows.v + x / 2, &v, 4);
  }
  return x;
}

}  // namespace
}  // namespace wmf
#endif

namespace wmf {

void PictureToYuv420(const uint8_t *top, ptrdiff_t rowStep, int width, int height, uint8_t *const planes[3],
                     const int strides[3]) {
  for (int y = 0; y < height; y += 2) {
    RowPair rows;
    rows.upper = top + rowStep * y;
    rows.lower = y + 1 < height ? rows.upper + rowStep : rows.upper;
    rows.upperLuma = planes[0] + static_cast<ptrdiff_t>(strides[0]) * y;
    rows.lowerLuma = rows.upperLuma + strides[0];
    rows.u = planes[1] + static_cast<ptrdiff_t>(strides[1]) * (y / 2);
    rows.v = planes[2] + static_cast<ptrdiff_t>(strides[2]) * (y / 2);
    int x = 0;
#ifdef QV_X86_VECTORS
    if (ProcessorRuns(Vectors::Ssse3)) x = ConvertEights(rows, width);
#endif
    ConvertPairs(rows, x, width);
  }
}

}  // namespace wmf
