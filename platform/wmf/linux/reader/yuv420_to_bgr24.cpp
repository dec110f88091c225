// The reader's 4:2:0 to BGR24 conversion. libswscale's x86 converter works in 16-bit
// fixed point: luma and chroma are scaled by 8 and offset, multiplied by BT.601
// studio-range coefficients scaled by 2^13 keeping the high 16 bits of each product,
// summed with saturation and packed with saturation to bytes. The same steps here,
// one pixel at a time for a row's last columns and 32 at a time with AVX2, give its
// pixels bit for bit (the tests compare every luma and chroma value).
#include "yuv420_to_bgr24.h"

#include "x86_vectors.h"

namespace wmf {

namespace {

constexpr int kLuma = 9539;         // 255 / 219
constexpr int kRedFromV = 13075;    // 1.596
constexpr int kBlueFromU = 16525;   // 2.017
constexpr int kGreenFromU = -3209;  // -0.392
constexpr int kGreenFromV = -6660;  // -0.813
constexpr int kLumaOffset = 16 << 3, kChromaOffset = 128 << 3;

// The high half of a 16-bit product, as pmulhw keeps it.
inline int HighHalf(int a, int b) { return (a * b) >> 16; }
inline int Saturate16(int value) { return value < -32768 ? -32768 : value > 32767 ? 32767 : value; }
inline uint8_t Saturate8(int value) { return static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value); }

void ConvertPixels(const uint8_t *luma, const uint8_t *u, const uint8_t *v, uint8_t *out, int x, int width) {
  for (; x < width; ++x) {
    const int y = HighHalf((luma[x] << 3) - kLumaOffset, kLuma);
    const int cb = (u[x / 2] << 3) - kChromaOffset, cr = (v[x / 2] << 3) - kChromaOffset;
    const int green = Saturate16(HighHalf(cb, kGreenFromU) + HighHalf(cr, kGreenFromV));
    uint8_t *pixel = out + 3 * x;
    pixel[0] = Saturate8(Saturate16(y + HighHalf(cb, kBlueFromU)));
    pixel[1] = Saturate8(Saturate16(y + green));
    pixel[2] = Saturate8(Saturate16(y + HighHalf(cr, kRedFromV)));
  }
}

}  // namespace

}  // namespace wmf

#ifdef QV_X86_VECTORS
#include <immintrin.h>

namespace wmf {
namespace {

// Shuffles that gather a lane's 16 pixels as 48 bytes of blue, green and red: [k][c]
// picks channel c's bytes of output vector k from a lane that holds the even pixels'
// values in bytes 0-7 and the odd pixels' in bytes 8-15 (as packing them leaves them).
struct Interleave {
  __m256i pick[3][3];
};

__attribute__((target("avx2"))) Interleave MakeInterleave() {
  Interleave shuffles;
  for (int k = 0; k < 3; ++k) {
    for (int c = 0; c < 3; ++c) {
      alignas(32) int8_t bytes[32];
      for (int i = 0; i < 16; ++i) {
        const int at = 16 * k + i, pixel = at / 3;
        const int8_t from = static_cast<int8_t>((pixel & 1) ? 8 + pixel / 2 : pixel / 2);
        bytes[i] = bytes[i + 16] = at % 3 == c ? from : int8_t(-128);  // -128: a zero byte
      }
      shuffles.pick[k][c] = _mm256_load_si256(reinterpret_cast<const __m256i *>(bytes));
    }
  }
  return shuffles;
}

__attribute__((target("avx2"))) inline __m256i Gather(const __m256i pick[3], __m256i blue, __m256i green,
                                                      __m256i red) {
  return _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(blue, pick[0]), _mm256_shuffle_epi8(green, pick[1])),
                         _mm256_shuffle_epi8(red, pick[2]));
}

// 32 columns a step, each 128-bit lane 16 of them; returns the first column left.
__attribute__((target("avx2"))) int Convert32s(const uint8_t *luma, const uint8_t *u, const uint8_t *v,
                                               uint8_t *out, int width) {
  static const Interleave shuffles = MakeInterleave();
  const __m256i lumaScale = _mm256_set1_epi16(kLuma), redFromV = _mm256_set1_epi16(kRedFromV);
  const __m256i blueFromU = _mm256_set1_epi16(kBlueFromU), greenFromU = _mm256_set1_epi16(kGreenFromU);
  const __m256i greenFromV = _mm256_set1_epi16(kGreenFromV), lumaOffset = _mm256_set1_epi16(kLumaOffset);
  const __m256i chromaOffset = _mm256_set1_epi16(kChromaOffset), lowBytes = _mm256_set1_epi16(0x00FF);
  int x = 0;
  for (; x + 32 <= width; x += 32) {
    const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(luma + x));
    __m256i cb = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(u + x / 2)));
    __m256i cr = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(v + x / 2)));
    cb = _mm256_sub_epi16(_mm256_slli_epi16(cb, 3), chromaOffset);
    cr = _mm256_sub_epi16(_mm256_slli_epi16(cr, 3), chromaOffset);
    const __m256i blue = _mm256_mulhi_epi16(cb, blueFromU), red = _mm256_mulhi_epi16(cr, redFromV);
    const __m256i green = _mm256_adds_epi16(_mm256_mulhi_epi16(cb, greenFromU), _mm256_mulhi_epi16(cr, greenFromV));
    // Even and odd columns apart: each pair shares its chroma sample.
    const __m256i even = _mm256_mulhi_epi16(
        _mm256_sub_epi16(_mm256_slli_epi16(_mm256_and_si256(y, lowBytes), 3), lumaOffset), lumaScale);
    const __m256i odd =
        _mm256_mulhi_epi16(_mm256_sub_epi16(_mm256_slli_epi16(_mm256_srli_epi16(y, 8), 3), lumaOffset), lumaScale);
    const __m256i blues = _mm256_packus_epi16(_mm256_adds_epi16(even, blue), _mm256_adds_epi16(odd, blue));
    const __m256i greens = _mm256_packus_epi16(_mm256_adds_epi16(even, green), _mm256_adds_epi16(odd, green));
    const __m256i reds = _mm256_packus_epi16(_mm256_adds_epi16(even, red), _mm256_adds_epi16(odd, red));
    const __m256i first = Gather(shuffles.pick[0], blues, greens, reds);
    const __m256i second = Gather(shuffles.pick[1], blues, greens, reds);
    const __m256i third = Gather(shuffles.pick[2], blues, greens, reds);
    // Lane 0 holds columns 0-15 and lane 1 columns 16-31: 48 bytes each, in order.
    uint8_t *to = out + 3 * x;
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(to), _mm256_permute2x128_si256(first, second, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(to + 32), _mm256_permute2x128_si256(third, first, 0x30));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(to + 64), _mm256_permute2x128_si256(second, third, 0x31));
  }
  return x;
}

}  // namespace
}  // namespace wmf
#endif

namespace wmf {

bool Yuv420ToBgr24IsFast() {
#ifdef QV_X86_VECTORS
  return ProcessorRuns(Vectors::Avx2);
#else
  return false;
#endif
}

void Yuv420ToBgr24(const uint8_t *const planes[3], const int strides[3], int width, int height, uint8_t *top,
                   ptrdiff_t rowStep) {
  const bool wide = Yuv420ToBgr24IsFast();
  for (int row = 0; row < height; ++row) {
    const uint8_t *luma = planes[0] + static_cast<ptrdiff_t>(strides[0]) * row;
    const uint8_t *u = planes[1] + static_cast<ptrdiff_t>(strides[1]) * (row / 2);
    const uint8_t *v = planes[2] + static_cast<ptrdiff_t>(strides[2]) * (row / 2);
    uint8_t *out = top + rowStep * row;
    int x = 0;
#ifdef QV_X86_VECTORS
    if (wide) x = Convert32s(luma, u, v, out, width);
#endif
    ConvertPixels(luma, u, v, out, x, width);
  }
}

}  // namespace wmf
