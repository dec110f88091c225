// The bitmap conversion one pixel at a time: the oracle that the row-wise conversion
// of the plug-in is checked against (here and by the bitmap fuzzer).
//
// Pixel coordinates: x counts columns from the left, y rows from the top of the
// picture. A bottom-up block (positive height) stores row y at height - 1 - y; a
// top-down block (negative height) stores it at y. A colour travels as a COLORREF:
// red in bits 0-7, green 8-15, blue 16-23.
#ifndef QV_TESTS_BITMAP_PIXEL_REFERENCE_H
#define QV_TESTS_BITMAP_PIXEL_REFERENCE_H

#include <vector>

#include "win32.h"

namespace pixel_reference {

/* Read one pixel of a header-plus-pixels block (a 40-byte header, then the rows). */
BYTE ReadPixel1(const BYTE *block, LONG x, LONG y);   // colour index 0-1, leftmost pixel the high bit
BYTE ReadPixel4(const BYTE *block, LONG x, LONG y);   // colour index 0-15, high nibble first
BYTE ReadPixel8(const BYTE *block, LONG x, LONG y);   // colour index 0-255
WORD ReadPixel16(const BYTE *block, LONG x, LONG y);  // the pixel's little-endian 16-bit value
DWORD ReadPixel32(const BYTE *block, LONG x, LONG y); // the pixel's little-endian 32-bit value

/* Store one pixel into a 24-bit block (blue, green, red at increasing addresses). */
void WritePixel24(BYTE *block, LONG x, LONG y, DWORD colour);

/* 16-bit pixels read as 5-5-5 whatever the compression, bit 15 ignored, each channel
 * shifted left by 3; the fourth byte of a 32-bit pixel ignored. */
DWORD ColourFrom16(WORD value);
DWORD ColourFrom32(DWORD value);

/* The bottom-up 24-bit rows (padding zero) of the picture that `header` describes
 * and `pixels` holds, converted column by column, every pixel read, mapped and
 * written; `table` with `entries` entries serves 1, 4 and 8 bits. Depths without a
 * known layout give black rows. */
std::vector<BYTE> ConvertPixelByPixel(const BITMAPINFOHEADER &header, const BYTE *pixels,
                                      const RGBQUAD *table, DWORD entries);

}  // namespace pixel_reference

#endif
