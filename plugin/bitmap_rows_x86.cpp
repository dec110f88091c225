// SSSE3 row conversions: 16 pixels of 32 bits or 8 pixels of 5-5-5 per step, their
// bytes gathered into place with byte shuffles.
#include "bitmap_rows_x86.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>

namespace {

bool HasSsse3() {
  static const bool has = [] {
    __builtin_cpu_init();  // in case a constructor converts before libgcc's has run
    return __builtin_cpu_supports("ssse3") != 0;
  }();
  return has;
}

__attribute__((target("ssse3"))) LONG Convert32(const BYTE *source, BYTE *target, LONG width) {
  // Blue, green, red of four pixels into the low 12 bytes.
  const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  LONG x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m128i *in = reinterpret_cast<const __m128i *>(source + 4 * x);
    __m128i a = _mm_shuffle_epi8(_mm_loadu_si128(in), pack);
    __m128i b = _mm_shuffle_epi8(_mm_loadu_si128(in + 1), pack);
    __m128i c = _mm_shuffle_epi8(_mm_loadu_si128(in + 2), pack);
    __m128i d = _mm_shuffle_epi8(_mm_loadu_si128(in + 3), pack);
    __m128i *out = reinterpret_cast<__m128i *>(target + 3 * x);
    _mm_storeu_si128(out, _mm_or_si128(a, _mm_slli_si128(b, 12)));
    _mm_storeu_si128(out + 1, _mm_or_si128(_mm_srli_si128(b, 4), _mm_slli_si128(c, 8)));
    _mm_storeu_si128(out + 2, _mm_or_si128(_mm_srli_si128(c, 8), _mm_slli_si128(d, 4)));
  }
  return x;
}

__attribute__((target("ssse3"))) LONG Convert16(const BYTE *source, BYTE *target, LONG width) {
  const __m128i top5 = _mm_set1_epi16(0xF8);
  // From blue 0-7 | green 0-7 and red 0-7 | red 0-7 into 24 bytes of B G R triples.
  const __m128i lowBlueGreen = _mm_setr_epi8(0, 8, -1, 1, 9, -1, 2, 10, -1, 3, 11, -1, 4, 12, -1, 5);
  const __m128i lowRed = _mm_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1);
  const __m128i highBlueGreen = _mm_setr_epi8(13, -1, 6, 14, -1, 7, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i highRed = _mm_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, -1, -1, -1, -1, -1, -1);
  LONG x = 0;
  for (; x + 8 <= width; x += 8) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(source + 2 * x));
    __m128i blue = _mm_and_si128(_mm_slli_epi16(v, 3), top5);
    __m128i green = _mm_and_si128(_mm_srli_epi16(v, 2), top5);
    __m128i red = _mm_and_si128(_mm_srli_epi16(v, 7), top5);
    __m128i blueGreen = _mm_packus_epi16(blue, green);
    __m128i reds = _mm_packus_epi16(red, red);
    BYTE *out = target + 3 * x;
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out),
                     _mm_or_si128(_mm_shuffle_epi8(blueGreen, lowBlueGreen), _mm_shuffle_epi8(reds, lowRed)));
    _mm_storel_epi64(reinterpret_cast<__m128i *>(out + 16),
                     _mm_or_si128(_mm_shuffle_epi8(blueGreen, highBlueGreen), _mm_shuffle_epi8(reds, highRed)));
  }
  return x;
}

}  // namespace

LONG ConvertRowLeadVector(WORD bitCount, const BYTE *source, BYTE *target, LONG width) {
  if (!HasSsse3()) return 0;
  switch (bitCount) {
    case 15:
    case 16: return Convert16(source, target, width);
    case 32: return Convert32(source, target, width);
    default: return 0;
  }
}

#else

LONG ConvertRowLeadVector(WORD, const BYTE *, BYTE *, LONG) { return 0; }

#endif
