// Whole-row conversion into 24-bit rows. Each depth reads its pixels straight from
// the row; 16- and 32-bit rows go through vector code first where the processor has it.
#include "bitmap_rows.h"

#include "bitmap_rows_x86.h"
#include "bitmap_rules.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "packed pixels assume little-endian");

namespace {

// Write pixels `from` to `width` - 1, produced by `pixelAt(x)`, as 3-byte pixels.
// Two pixels go out in one 8-byte store whose last two bytes the next store rewrites,
// so the pairs stop while a third pixel still follows; the rest go byte by byte.
template <class PixelAt>
inline void StoreRow(BYTE *target, LONG from, LONG width, PixelAt pixelAt) {
  LONG x = from;
  for (; x + 3 <= width; x += 2) {
    ULONGLONG pair = ULONGLONG(pixelAt(x)) | ULONGLONG(pixelAt(x + 1)) << 24;
    memcpy(target + 3 * x, &pair, sizeof pair);
  }
  for (; x < width; ++x) {
    PackedBgr p = pixelAt(x);
    target[3 * x] = BYTE(p);
    target[3 * x + 1] = BYTE(p >> 8);
    target[3 * x + 2] = BYTE(p >> 16);
  }
}

inline PackedBgr PackedFrom16(WORD v) {
  // 5-5-5: blue, green, red channels each moved to the top of their byte.
  return (v & 0x1Fu) << 3 | (v & 0x3E0u) << 6 | (v & 0x7C00u) << 9;
}

void ConvertRow(WORD bitCount, const BYTE *source, BYTE *target, LONG width,
                const PackedBgr *palette) {
  LONG done = ConvertRowLeadVector(bitCount, source, target, width);
  switch (bitCount) {
    case 1:
      StoreRow(target, done, width, [&](LONG x) { return palette[(source[x >> 3] >> (7 - (x & 7))) & 1]; });
      break;
    case 4:
      StoreRow(target, done, width, [&](LONG x) {
        BYTE pair = source[x >> 1];
        return palette[(x & 1) ? pair & 0x0F : pair >> 4];
      });
      break;
    case 8:
      StoreRow(target, done, width, [&](LONG x) { return palette[source[x]]; });
      break;
    case 15:
    case 16:
      StoreRow(target, done, width, [&](LONG x) {
        WORD v;
        memcpy(&v, source + 2 * x, sizeof v);
        return PackedFrom16(v);
      });
      break;
    case 32:
      StoreRow(target, done, width, [&](LONG x) {
        DWORD v;
        memcpy(&v, source + 4 * x, sizeof v);
        return v & 0xFFFFFFu;
      });
      break;
  }
}

}  // namespace

bool IsConvertibleDepth(WORD bitCount) {
  switch (bitCount) {
    case 1: case 4: case 8: case 15: case 16: case 32: return true;
    default: return false;
  }
}

void BuildRowPalette(const RGBQUAD *table, DWORD entries, PackedBgr palette[256]) {
  for (DWORD i = 0; i < 256; ++i) {
    DWORD colour = ColourFromPalette(table, entries, BYTE(i));  // red low
    palette[i] = (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
  }
}

void ConvertRows(WORD bitCount, const BYTE *source, bool sourceTopDown, LONG width, LONG rows,
                 const PackedBgr *palette, BYTE *target) {
  // Rows of no pixels hold no bytes: a zero-width picture of 2^31 rows would
  // otherwise cost seconds of doing nothing.
  if (width <= 0) return;
  LONGLONG sourceStride = RowStride(bitCount, width);
  LONGLONG targetStride = RowStride(24, width);
  LONGLONG pixelBytes = 3 * LONGLONG(width);
  for (LONG r = 0; r < rows; ++r) {
    // Stored row r of the bottom-up target is picture row rows - 1 - r.
    LONG sourceRow = sourceTopDown ? rows - 1 - r : r;
    BYTE *row = target + r * targetStride;
    ConvertRow(bitCount, source + sourceRow * sourceStride, row, width, palette);
    memset(row + pixelBytes, 0, size_t(targetStride - pixelBytes));
  }
}

void CopyRows24(const BYTE *source, bool sourceTopDown, LONGLONG stride, LONG rows, BYTE *target) {
  if (!sourceTopDown) {
    memcpy(target, source, size_t(stride * rows));
    return;
  }
  for (LONG r = 0; r < rows; ++r) memcpy(target + r * stride, source + LONGLONG(rows - 1 - r) * stride, size_t(stride));
}
