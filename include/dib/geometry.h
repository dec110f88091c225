/* The geometry of a device-independent bitmap's pixel rows, shared by the plug-in,
 * the hosts and the media runtime: each row holds whole bytes of its pixels, padded
 * to a multiple of 4 bytes; a positive height stores the rows bottom-up. */
#ifndef DIB_GEOMETRY_H
#define DIB_GEOMETRY_H

#include <stdint.h>

namespace dib {

/* Bytes of one stored row of `width` pixels at `bitCount` bits each. In 64 bits, so
 * that no 32-bit width or depth overflows it. */
constexpr uint64_t RowStride(uint64_t width, unsigned bitCount) { return (width * bitCount + 31) / 32 * 4; }

/* Bytes of `rows` stored rows. */
constexpr uint64_t ImageBytes(uint64_t width, unsigned bitCount, uint64_t rows) {
  return RowStride(width, bitCount) * rows;
}

/* Offset of picture row `y` (0 the top) in a bottom-up image of `rows` rows. */
constexpr uint64_t BottomUpRow(uint64_t y, uint64_t rows, uint64_t stride) { return (rows - 1 - y) * stride; }

static_assert(RowStride(5, 24) == 16 && RowStride(9, 1) == 4 && RowStride(9, 4) == 8 && RowStride(3, 16) == 8,
              "rows padded to whole 4-byte words");

}  // namespace dib

#endif
